// The program's byte generator: a set of CMRand-style generators, two stepped
// for every byte, each output choosing the generator of the next step. It is
// the connection keystream and the random source of the prime search, so the
// seeding and the byte step are fixed to the bit.
#pragma once

#include "afx/Afx.h"

#include <stddef.h>
#include <stdint.h>

class CGRand
{
public:
    // Seed material up to this many bytes (65536 generators, the range in
    // which the remainder by multiplication is exact); every caller passes
    // 32, 188 or 256.
    enum
    {
        MAX_SEED_BYTES = 4 * 65536
    };

    CGRand();
    virtual ~CGRand();

    // Deletes every generator; the generator is unseeded afterwards.
    void Clear();

    // Replaces all generators from the material. FALSE, and nothing changed,
    // when pData is NULL or nLength is outside 1 to MAX_SEED_BYTES.
    BOOL Seed(const BYTE* pData, int nLength);

    // The next stream byte. Raises CInvalidArgException on an unseeded generator.
    BYTE NextByte();

    // pDst[i] = pSrc[i] ^ NextByte() for i = 0 .. n-1, in order (pDst may be
    // pSrc). The same stream as n calls of NextByte, without the call overhead.
    // Raises CInvalidArgException on an unseeded generator when n > 0.
    void Xor(BYTE* pDst, const BYTE* pSrc, size_t n);

    // n stream bytes into pDst.
    void Generate(BYTE* pDst, size_t n);

    BOOL IsSeeded() const { return m_nCount > 0; }
    int GetCount() const { return m_nCount; }
    // index of the generator that the next step uses
    int GetCurrent() const { return m_pCurrent ? (int)(m_pCurrent - m_pGenerators) : 0; }

private:
    CGRand(const CGRand&) = delete;
    CGRand& operator=(const CGRand&) = delete;

    // One generator with its next step already taken: the stream only has to
    // chase pNext from one generator to the next, a plain pointer load, and
    // the state update runs beside that chain instead of on it.
    struct GEN
    {
        uint32_t nState;  // state after the precomputed step
        uint32_t nOut;    // output of that step (0..32767)
        GEN* pNext;       // the generator it selects: nOut mod the count
    };

    void Advance(GEN& g) const;
    template <bool POW2>
    void XorLoop(BYTE* pDst, const BYTE* pSrc, size_t n);

    BYTE* m_pBlock;      // the allocation that holds m_pGenerators
    GEN* m_pGenerators;  // m_nCount entries, flat, cache-line aligned
    int m_nCount;        // number of generators, 0 while unseeded
    GEN* m_pCurrent;     // the generator that the next step uses
    uint64_t m_nMagic;   // floor(2^32 / m_nCount) + 1, for the remainder by m_nCount
    uint32_t m_nMask;    // m_nCount - 1 when m_nCount is a power of two, else 0
};
