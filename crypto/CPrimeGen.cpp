#include "crypto/CPrimeGen.h"

#include <string.h>

CArray<WORD, WORD> SmallPrimeTable;
BOOL SmallPrimeTableBuilt = FALSE;

void CPrimeGen::BuildSmallPrimeTable()
{
    if (SmallPrimeTableBuilt)
        return;
    // Entry k stands for 2k + 1. Every odd composite below 65536 has a prime
    // factor of at most 255, so crossing out the multiples of those suffices.
    static BYTE sieve[32768];
    memset(sieve, 1, sizeof(sieve));
    for (uint32_t a = 3; 3 * a < 768; a += 2) {
        if (!sieve[a / 2])
            continue;
        for (uint32_t m = 3 * a; m < 65536; m += 2 * a)
            sieve[m / 2] = 0;
    }
    for (uint32_t n = 3; n < 65536; n += 2) {
        if (!sieve[n / 2] || n == 3 || n == 5 || n == 17 || n == 257)
            continue;
        SmallPrimeTable.Add((WORD)n);
    }
    SmallPrimeTableBuilt = TRUE;
}

BOOL CPrimeGen::FindPrime(CBigNum& prime, volatile LONG& roundsPassed, volatile LONG& candidates,
                          const volatile BOOL& cancel, int nBits)
{
    if (nBits < 32 || !m_rand.IsSeeded())
        return FALSE;
    for (;;) {
        InterlockedIncrement(&candidates);
        roundsPassed = 0;
        RandomBits(nBits, prime);
        // Odd, exactly nBits bits, two top bits set: two such primes make a
        // product of exactly 2 * nBits bits.
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
    for (int i = nDigits - 1; i >= 0; --i) {
        p[2 * i + 1] = m_rand.NextByte();
        p[2 * i] = m_rand.NextByte();
    }
    if (r != 0 && nDigits > 0) {
        uint32_t mask = 0xFFFFu >> (16 - r);
        p[2 * (nDigits - 1) + 1] &= (BYTE)(mask >> 8);
        p[2 * (nDigits - 1)] &= (BYTE)mask;
    }
    try {
        out.SetBytesLE(p, 2 * nDigits);
    } catch (...) {
        if (p != local)
            delete[] p;
        throw;
    }
    if (p != local)
        delete[] p;
}

BOOL CPrimeGen::IsProbablePrime(const CBigNum& n, const volatile BOOL& cancel,
                                volatile LONG& roundsPassed)
{
    if (n.IsDivisibleByFermatPrime() || HasSmallPrimeFactor(n))
        return FALSE;
    CBigNum d;
    int s = SplitPowerOfTwo(n, d);
    for (int i = 0; i < MILLER_RABIN_ROUNDS; ++i) {
        if (!MillerRabinRound(n, s, d))
            return FALSE;
        if (cancel)
            return FALSE;
        InterlockedIncrement(&roundsPassed);
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
    for (int j = 0; j < s; ++j) {
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
        return 0;   // n = 1: no odd part to find
    int s = 0;
    while (!d.IsOdd()) {
        d.ShiftRight(1);
        ++s;
    }
    return s;
}

BOOL CPrimeGen::HasSmallPrimeFactor(const CBigNum& n)
{
    // Two table primes at a time: their product is below 2^32, so one pass
    // of 64-by-32-bit divisions over the words gives n mod p*q, and the two
    // remainders follow from it. Same answer as one pass per prime.
    const WORD* pTable = SmallPrimeTable.GetData();
    INT_PTR nTable = SmallPrimeTable.GetSize();
    const uint32_t* w = n.GetWords();
    int nWords = n.GetLength();
    for (INT_PTR i = 0; i < nTable; i += 2) {
        uint32_t p = pTable[i];
        uint32_t q = i + 1 < nTable ? pTable[i + 1] : 1;
        uint32_t m = p * q;
        uint64_t r = 0;
        for (int k = nWords - 1; k >= 0; --k)
            r = ((r << 32) | w[k]) % m;
        if (r % p == 0 || (q != 1 && r % q == 0))
            return TRUE;
    }
    return FALSE;
}
