#include "crypto/CGRand.h"

#include "crypto/CMRand.h"

CGRand::CGRand() : m_pBlock(nullptr), m_pGenerators(nullptr), m_nCount(0), m_pCurrent(nullptr), m_nMagic(0), m_nMask(0)
{}

CGRand::~CGRand() { Clear(); }

void CGRand::Clear()
{
    delete[] m_pBlock;
    m_pBlock = nullptr;
    m_pGenerators = nullptr;
    m_nCount = 0;
    m_pCurrent = nullptr;
    m_nMagic = 0;
    m_nMask = 0;
}

// Takes the generator's next step ahead of time. The remainder uses a
// multiply by the reciprocal: for outputs below 2^15 and counts up to 2^16,
// floor(out * (floor(2^32 / count) + 1) / 2^32) is exactly out / count, since
// the error term out * (magic * count - 2^32) stays below 2^31.
inline void CGRand::Advance(GEN& g) const
{
    uint32_t s = g.nState * CMRand::MULTIPLIER + CMRand::INCREMENT;
    uint32_t out = (s >> 16) & 0x7FFF;
    uint32_t q = (uint32_t)((out * m_nMagic) >> 32);
    g.nState = s;
    g.nOut = out;
    g.pNext = m_pGenerators + (out - q * (uint32_t)m_nCount);
}

BOOL CGRand::Seed(const BYTE* pData, int nLength)
{
    if (pData == nullptr || nLength < 1 || nLength > MAX_SEED_BYTES)
        return FALSE;

    int nCount = (nLength + 3) / 4;
    // The state is written at every byte: keep it on cache lines of its own,
    // or two generators in one process (a sender and a receiver) slow each
    // other down through false sharing. The block has a spare line on each side.
    const uintptr_t LINE = 64;
    BYTE* pBlock = new BYTE[nCount * sizeof(GEN) + 2 * LINE];
    GEN* pGens = reinterpret_cast<GEN*>((reinterpret_cast<uintptr_t>(pBlock) + LINE) & ~(LINE - 1));
    Clear();
    m_pBlock = pBlock;
    m_pGenerators = pGens;
    m_nCount = nCount;
    m_nMagic = (((uint64_t)1 << 32) / (uint32_t)nCount) + 1;
    m_nMask = (nCount & (nCount - 1)) == 0 ? (uint32_t)nCount - 1 : 0;

    uint32_t nCurrent = 0;
    for (int i = 0; i < nCount; ++i)
    {
        // The seed takes every byte from 4i to the end, shifted through 32
        // bits, which leaves the big-endian value of the last (up to) four.
        int j = 4 * i;
        if (j < nLength - 4)
            j = nLength - 4;
        uint32_t v = 0;
        for (; j < nLength; ++j)
            v = (v << 8) + pData[j];
        CMRand r(v);
        nCurrent ^= r.Next();
        pGens[i].nState = r.m_nState;
    }
    m_pCurrent = pGens + nCurrent % (uint32_t)nCount;
    for (int i = 0; i < nCount; ++i)
        Advance(pGens[i]);
    return TRUE;
}

BYTE CGRand::NextByte()
{
    if (m_nCount <= 0)
        AfxThrowInvalidArgException();
    GEN& g1 = *m_pCurrent;
    uint32_t acc = g1.nOut;
    GEN& g2 = *g1.pNext;
    Advance(g1);
    acc ^= g2.nOut;
    m_pCurrent = g2.pNext;
    Advance(g2);
    return (BYTE)acc;
}

// The only serial dependency is cur -> cur->pNext; everything else (the state
// step, the output, the remainder) works beside that chain. A power-of-two
// count (8 with the first key) takes the remainder as a mask, which shortens
// the update that a generator coming up twice in a row has to wait for.
template <bool POW2>
void CGRand::XorLoop(BYTE* pDst, const BYTE* pSrc, size_t n)
{
    GEN* const pGens = m_pGenerators;
    const uint32_t nCount = (uint32_t)m_nCount;
    const uint32_t nMask = m_nMask;
    const uint64_t nMagic = m_nMagic;
    GEN* cur = m_pCurrent;
    for (size_t i = 0; i < n; ++i)
    {
        uint32_t acc = 0;
        for (int k = 0; k < 2; ++k)
        {
            GEN& g = *cur;
            acc ^= g.nOut;
            cur = g.pNext;
            uint32_t s = g.nState * CMRand::MULTIPLIER + CMRand::INCREMENT;
            uint32_t out = (s >> 16) & 0x7FFF;
            g.nState = s;
            g.nOut = out;
            if (POW2)
                g.pNext = pGens + (out & nMask);
            else
                g.pNext = pGens + (out - (uint32_t)((out * nMagic) >> 32) * nCount);
        }
        pDst[i] = (BYTE)(pSrc[i] ^ acc);
    }
    m_pCurrent = cur;
}

void CGRand::Xor(BYTE* pDst, const BYTE* pSrc, size_t n)
{
    if (n == 0)
        return;
    if (m_nCount <= 0)
        AfxThrowInvalidArgException();
    if (m_nMask != 0 || m_nCount == 1)
        XorLoop<true>(pDst, pSrc, n);
    else
        XorLoop<false>(pDst, pSrc, n);
}

void CGRand::Generate(BYTE* pDst, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        pDst[i] = 0;
    Xor(pDst, pDst, n);
}
