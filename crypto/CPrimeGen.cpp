#include "crypto/CPrimeGen.h"

#include <string.h>

CArray<WORD, WORD> SmallPrimeTable;
BOOL SmallPrimeTableBuilt = FALSE;

namespace {

// The table primes in pairs (p, q) with their product m = p q < 2^32 and,
// where the compiler has a 128-bit product, floor((2^64 - 1) / m) for a
// remainder by multiplication instead of division. Built with the table and
// read-only afterwards, like it.
struct PRIMEPAIR
{
    uint32_t p, q, m;
    uint64_t mu;
};
PRIMEPAIR g_pairs[(6537 + 1) / 2 + 1];
int g_nPairs = 0;

void BuildPairs()
{
    const WORD* pTable = SmallPrimeTable.GetData();
    INT_PTR n = SmallPrimeTable.GetSize();
    int k = 0;
    for (INT_PTR i = 0; i < n && k < (int)(sizeof(g_pairs) / sizeof(g_pairs[0])); i += 2, ++k)
    {
        PRIMEPAIR& pr = g_pairs[k];
        pr.p = pTable[i];
        pr.q = i + 1 < n ? pTable[i + 1] : 1;
        pr.m = pr.p * pr.q;
        pr.mu = ~(uint64_t)0 / pr.m;
    }
    g_nPairs = k;
}

// x mod m for x < m * 2^32.
// CRYPTO_NO_INT128 forces the division of the i686 build, so that it can be
// tested on a 64-bit host.
inline uint32_t ModPair(uint64_t x, const PRIMEPAIR& pr)
{
#if defined(__SIZEOF_INT128__) && !defined(CRYPTO_NO_INT128)
    // q is floor(x / m) or one less, so one correction suffices.
    uint64_t q = (uint64_t)(((unsigned __int128)x * pr.mu) >> 64);
    uint64_t r = x - q * pr.m;
    return (uint32_t)(r >= pr.m ? r - pr.m : r);
#else
    return (uint32_t)(x % pr.m);
#endif
}

}  // namespace

void CPrimeGen::BuildSmallPrimeTable()
{
    if (SmallPrimeTableBuilt)
        return;
    // Entry k stands for 2k + 1. Every odd composite below 65536 has a prime
    // factor of at most 255, so crossing out the multiples of those suffices.
    static BYTE sieve[32768];
    memset(sieve, 1, sizeof(sieve));
    for (uint32_t a = 3; 3 * a < 768; a += 2)
    {
        if (!sieve[a / 2])
            continue;
        for (uint32_t m = 3 * a; m < 65536; m += 2 * a)
            sieve[m / 2] = 0;
    }
    for (uint32_t n = 3; n < 65536; n += 2)
    {
        if (!sieve[n / 2] || n == 3 || n == 5 || n == 17 || n == 257)
            continue;
        SmallPrimeTable.Add((WORD)n);
    }
    BuildPairs();
    SmallPrimeTableBuilt = TRUE;
}

BOOL CPrimeGen::FindPrime(CBigNum& prime, std::atomic<LONG>& roundsPassed, std::atomic<LONG>& candidates,
                          const std::atomic<BOOL>& cancel)
{
    const int nBits = PRIME_BITS;
    if (!m_rand.IsSeeded())
        return FALSE;
    for (;;)
    {
        ++candidates;
        roundsPassed = 0;
        RandomBits(nBits, prime);
        // Odd, exactly 640 bits, two top bits set: two such primes make a
        // product of exactly 1280 bits.
        prime.SetBit(0);
        prime.SetBit(nBits - 1);
        prime.SetBit(nBits - 2);
        roundsPassed = 0;
        if (IsProbablePrime(prime, cancel, roundsPassed))
            return cancel ? FALSE : TRUE;
        if (cancel)
            return FALSE;
    }
}

void CPrimeGen::RandomBits(int bits, CBigNum& out)
{
    int nDigits = (bits + 15) / 16;
    int r = bits % 16;
    BYTE local[2 * 128];
    BYTE* p = nDigits <= 128 ? local : new BYTE[2 * (size_t)nDigits];
    // Most significant digit first, high byte before low byte; the buffer is
    // little-endian, digit 0 lowest.
    for (int i = nDigits - 1; i >= 0; --i)
    {
        p[2 * i + 1] = m_rand.NextByte();
        p[2 * i] = m_rand.NextByte();
    }
    if (r != 0 && nDigits > 0)
    {
        uint32_t mask = 0xFFFFu >> (16 - r);
        p[2 * (nDigits - 1) + 1] &= (BYTE)(mask >> 8);
        p[2 * (nDigits - 1)] &= (BYTE)mask;
    }
    try
    {
        out.SetBytesLE(p, 2 * nDigits);
    }
    catch (...)
    {
        if (p != local)
            delete[] p;
        throw;
    }
    if (p != local)
        delete[] p;
}

BOOL CPrimeGen::IsProbablePrime(const CBigNum& n, const std::atomic<BOOL>& cancel, std::atomic<LONG>& roundsPassed)
{
    if (n.IsDivisibleByFermatPrime() || HasSmallPrimeFactor(n))
        return FALSE;
    CBigNum d;
    int s = SplitPowerOfTwo(n, d);
    for (int i = 0; i < MILLER_RABIN_ROUNDS; ++i)
    {
        if (!MillerRabinRound(n, s, d))
            return FALSE;
        if (cancel)
            return FALSE;
        ++roundsPassed;
    }
    return TRUE;
}

BOOL CPrimeGen::MillerRabinRound(const CBigNum& n, int s, const CBigNum& d)
{
    CBigNum a, x, nMinus1;
    RandomBits(n.BitLength() - 1, a);
    CBigNum::PowMod(x, a, d, n);
    if (x.IsOne())
        return TRUE;
    nMinus1.Copy(n);
    nMinus1.Decrement();
    for (int j = 0; j < s; ++j)
    {
        if (x.IsOne())
            return FALSE;
        if (CBigNum::Compare(x, nMinus1) == 0)
            return TRUE;
        x.Square();
        x.Mod(n);
    }
    return CBigNum::Compare(x, nMinus1) == 0;
}

int CPrimeGen::SplitPowerOfTwo(const CBigNum& n, CBigNum& d)
{
    d.Copy(n);
    d.Decrement();
    d.Normalize();
    if (d.IsZero())
        return 0;  // n = 1: no odd part to find
    int s = 0;
    while (!d.IsOdd())
    {
        d.ShiftRight(1);
        ++s;
    }
    return s;
}

BOOL CPrimeGen::HasSmallPrimeFactor(const CBigNum& n)
{
    // Two table primes at a time: their product is below 2^32, so one pass
    // over the words, from the most significant, gives n mod p q, and the two
    // remainders follow from it. Four such passes run side by side, since each
    // is one long dependency chain. The answer is the same as one pass per
    // prime in the table's order: whether any table prime divides n.
    const uint32_t* w = n.GetWords();
    const int nWords = n.GetLength();
    // an unpaired last prime (q = 1) is left to the single loop below
    const int nFull = g_nPairs > 0 && g_pairs[g_nPairs - 1].q == 1 ? g_nPairs - 1 : g_nPairs;
    int i = 0;
    for (; i + 4 <= nFull; i += 4)
    {
        const PRIMEPAIR* pr = g_pairs + i;
        uint32_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
        for (int k = nWords - 1; k >= 0; --k)
        {
            r0 = ModPair(((uint64_t)r0 << 32) | w[k], pr[0]);
            r1 = ModPair(((uint64_t)r1 << 32) | w[k], pr[1]);
            r2 = ModPair(((uint64_t)r2 << 32) | w[k], pr[2]);
            r3 = ModPair(((uint64_t)r3 << 32) | w[k], pr[3]);
        }
        if (r0 % pr[0].p == 0 || r0 % pr[0].q == 0 || r1 % pr[1].p == 0 || r1 % pr[1].q == 0 || r2 % pr[2].p == 0 ||
            r2 % pr[2].q == 0 || r3 % pr[3].p == 0 || r3 % pr[3].q == 0)
            return TRUE;
    }
    for (; i < g_nPairs; ++i)
    {
        const PRIMEPAIR& pr = g_pairs[i];
        uint32_t r = 0;
        for (int k = nWords - 1; k >= 0; --k)
            r = ModPair(((uint64_t)r << 32) | w[k], pr);
        // q is 1 for an unpaired last prime
        if (r % pr.p == 0 || (pr.q != 1 && r % pr.q == 0))
            return TRUE;
    }
    return FALSE;
}
