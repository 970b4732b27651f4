#include "crypto/CMontgomery.h"

#include <string.h>

namespace {

#if defined(__SIZEOF_INT128__) && !defined(CRYPTO_NO_INT128)
typedef unsigned __int128 Wide;
#else
typedef uint64_t Wide;
#endif
typedef CMontgomery::Limb Limb;
const int LIMB_BITS = 8 * (int)sizeof(Limb);
const int WORDS_PER_LIMB = (int)sizeof(Limb) / 4;

}  // namespace

CMontgomery::CMontgomery()
    : m_nLimbs(0), m_nInv(0), m_pBlock(nullptr), m_pMod(nullptr), m_pRR(nullptr), m_pTable(nullptr), m_pAcc(nullptr),
      m_pTmp(nullptr)
{}

CMontgomery::~CMontgomery() { delete[] m_pBlock; }

void CMontgomery::Init(const CBigNum& modulus)
{
    m_modulus.Copy(modulus);
    m_modulus.Normalize();
    int nWords = m_modulus.GetLength();
    int n = (nWords + WORDS_PER_LIMB - 1) / WORDS_PER_LIMB;
    int nTable = 1 << (WINDOW_MAX - 1);
    // modulus, R^2, accumulator, spare (n + 2), m and u (2n + 2), table
    Limb* pBlock = new Limb[(size_t)n * (6 + nTable) + 4];
    delete[] m_pBlock;
    m_pBlock = pBlock;
    m_nLimbs = n;
    m_pMod = pBlock;
    m_pRR = m_pMod + n;
    m_pAcc = m_pRR + n;
    m_pTmp = m_pAcc + n;  // n + 2 limbs
    m_pWide = m_pTmp + n + 2;
    m_pTable = m_pWide + 2 * n + 2;

    ToLimbs(m_pMod, m_modulus);

    // Newton's iteration doubles the correct low bits of the inverse each
    // step; an odd number is its own inverse modulo 8.
    Limb n0 = m_pMod[0], inv = n0;
    for (int i = 0; i < 6; ++i)
        inv *= (Limb)2 - n0 * inv;
    m_nInv = (Limb)0 - inv;

    CBigNum rr;
    rr.SetZero();
    rr.SetBit(2 * LIMB_BITS * n);
    rr.Mod(m_modulus);
    ToLimbs(m_pRR, rr);
}

void CMontgomery::ToLimbs(Limb* pOut, const CBigNum& x) const
{
    int nWords = x.GetLength();
    const uint32_t* w = x.GetWords();
    for (int i = 0; i < m_nLimbs; ++i)
    {
        Limb v = 0;
        for (int k = WORDS_PER_LIMB - 1; k >= 0; --k)
        {
            int idx = i * WORDS_PER_LIMB + k;
            v = (Limb)(((Wide)v << 32) | (idx < nWords ? w[idx] : 0));
        }
        pOut[i] = v;
    }
}

void CMontgomery::FromLimbs(CBigNum& out, const Limb* p) const
{
    int nWords = m_nLimbs * WORDS_PER_LIMB;
    out.Resize(nWords, FALSE);
    for (int i = 0; i < nWords; ++i)
        out.m_pWords[i] = (uint32_t)(p[i / WORDS_PER_LIMB] >> (32 * (i % WORDS_PER_LIMB)));
    out.Normalize();
}

// The column sums of the product-scanning Montgomery multiplication below
// live in a three-limb accumulator: acc (two limbs) plus top.
#define MONT_MULADD(x, y)                                                                                              \
    do                                                                                                                 \
    {                                                                                                                  \
        Wide p_ = (Wide)(x) * (y);                                                                                     \
        acc += p_;                                                                                                     \
        top += acc < p_;                                                                                               \
    } while (0)
#define MONT_SHIFT()                                                                                                   \
    do                                                                                                                 \
    {                                                                                                                  \
        acc = (acc >> LIMB_BITS) | ((Wide)top << LIMB_BITS);                                                           \
        top = 0;                                                                                                       \
    } while (0)

// u (n + 1 limbs, below 2 * modulus) minus the modulus when it is not below it.
void CMontgomery::FinalSubtract(Limb* pOut, const Limb* u)
{
    const int n = m_nLimbs;
    const Limb* N = m_pMod;
    bool bSub = u[n] != 0;
    if (!bSub)
    {
        bSub = true;
        for (int j = n - 1; j >= 0; --j)
        {
            if (u[j] != N[j])
            {
                bSub = u[j] > N[j];
                break;
            }
        }
    }
    if (bSub)
    {
        Limb borrow = 0;
        for (int j = 0; j < n; ++j)
        {
            Wide d = (Wide)u[j] - N[j] - borrow;
            pOut[j] = (Limb)d;
            borrow = (Limb)(d >> (2 * LIMB_BITS - 1));
        }
    }
    else
    {
        memcpy(pOut, u, sizeof(Limb) * n);
    }
}

// pOut = a * b / R mod modulus, a and b below the modulus; pOut may be a or b.
// Product scanning: column k of a * b and of m * modulus is summed at once,
// and m[k] is chosen so that column k (k < n) becomes zero.
void CMontgomery::MontMul(Limb* pOut, const Limb* a, const Limb* b)
{
    const int n = m_nLimbs;
    const Limb* N = m_pMod;
    Limb* m = m_pWide;
    Limb* u = m_pWide + n;
    Wide acc = 0;
    Limb top = 0;
    for (int i = 0; i < n; ++i)
    {
        for (int j = 0; j < i; ++j)
        {
            MONT_MULADD(a[j], b[i - j]);
            MONT_MULADD(m[j], N[i - j]);
        }
        MONT_MULADD(a[i], b[0]);
        const Limb mi = (Limb)acc * m_nInv;
        m[i] = mi;
        MONT_MULADD(mi, N[0]);
        MONT_SHIFT();
    }
    for (int i = n; i < 2 * n; ++i)
    {
        for (int j = i - n + 1; j < n; ++j)
        {
            MONT_MULADD(a[j], b[i - j]);
            MONT_MULADD(m[j], N[i - j]);
        }
        u[i - n] = (Limb)acc;
        MONT_SHIFT();
    }
    u[n] = (Limb)acc;
    FinalSubtract(pOut, u);
}

// pOut = a^2 / R mod modulus: in each column the products a[j] a[k-j] with
// j < k - j are summed once and doubled, then the square term is added.
void CMontgomery::MontSqr(Limb* pOut, const Limb* a)
{
    const int n = m_nLimbs;
    const Limb* N = m_pMod;
    Limb* m = m_pWide;
    Limb* u = m_pWide + n;
    Wide acc = 0;
    Limb top = 0;
    for (int i = 0; i < 2 * n; ++i)
    {
        int lo = i < n ? 0 : i - n + 1;
        // cross products, doubled
        {
            Wide accSave = acc;
            Limb topSave = top;
            acc = 0;
            top = 0;
            for (int j = lo; j < i - j; ++j)
                MONT_MULADD(a[j], a[i - j]);
            top = (top << 1) | (Limb)(acc >> (2 * LIMB_BITS - 1));
            acc <<= 1;
            acc += accSave;
            top += topSave + (acc < accSave);
        }
        if ((i & 1) == 0 && i / 2 < n)
            MONT_MULADD(a[i / 2], a[i / 2]);
        int hi = i < n ? i : n;
        for (int j = lo; j < hi; ++j)
            MONT_MULADD(m[j], N[i - j]);
        if (i < n)
        {
            const Limb mi = (Limb)acc * m_nInv;
            m[i] = mi;
            MONT_MULADD(mi, N[0]);
        }
        else
        {
            u[i - n] = (Limb)acc;
        }
        MONT_SHIFT();
    }
    u[n] = (Limb)acc;
    FinalSubtract(pOut, u);
}

#undef MONT_MULADD
#undef MONT_SHIFT

void CMontgomery::PowMod(CBigNum& result, const CBigNum& base, const CBigNum& exponent)
{
    const int n = m_nLimbs;
    CBigNum b, e;
    b.Copy(base);
    if (CBigNum::Compare(b, m_modulus) >= 0)
        b.Mod(m_modulus);
    e.Copy(exponent);
    e.Normalize();

    int nBits = e.BitLength();
    if (nBits == 0)
    {
        result.SetOne();
        return;
    }
    int w = nBits > 512 ? 5 : nBits > 128 ? 4 : nBits > 24 ? 3 : 1;

    // table[k] = base^(2k+1) in Montgomery form.
    Limb* x = m_pAcc;
    ToLimbs(x, b);
    MontMul(m_pTable, x, m_pRR);
    if (w > 1)
    {
        MontSqr(x, m_pTable);  // base^2
        for (int k = 1; k < (1 << (w - 1)); ++k)
            MontMul(m_pTable + (size_t)k * n, m_pTable + (size_t)(k - 1) * n, x);
    }

    bool bStarted = false;
    int i = nBits - 1;
    while (i >= 0)
    {
        if (!e.TestBit(i))
        {
            MontSqr(x, x);
            --i;
            continue;
        }
        // The longest window of at most w bits from bit i down that ends in a 1.
        int l = i - w + 1 < 0 ? 0 : i - w + 1;
        while (!e.TestBit(l))
            ++l;
        uint32_t v = 0;
        for (int k = i; k >= l; --k)
            v = (v << 1) | (uint32_t)e.TestBit(k);
        const Limb* pPow = m_pTable + (size_t)(v >> 1) * n;
        if (!bStarted)
        {
            memcpy(x, pPow, sizeof(Limb) * n);
            bStarted = true;
        }
        else
        {
            for (int k = i; k >= l; --k)
                MontSqr(x, x);
            MontMul(x, x, pPow);
        }
        i = l - 1;
    }
    // Out of Montgomery form: a product with plain 1 (in the table's space,
    // which is no longer needed).
    Limb* pOne = m_pTable;
    memset(pOne, 0, sizeof(Limb) * n);
    pOne[0] = 1;
    MontMul(x, x, pOne);
    FromLimbs(result, x);
}
