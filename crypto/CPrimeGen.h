// Prime search: fresh random odd candidates with their two top bits set,
// screened by small divisors and accepted after 100 Miller-Rabin rounds.
#pragma once

#include <atomic>

#include "crypto/CBigNum.h"
#include "crypto/CGRand.h"

// Odd primes below 65536 without 3, 5, 17 and 257 (those are covered by
// CBigNum::IsDivisibleByFermatPrime): 6537 entries once built.
extern CArray<WORD, WORD> SmallPrimeTable;
extern BOOL SmallPrimeTableBuilt;

class CPrimeGen
{
public:
    enum
    {
        PRIME_BITS = 640,
        MILLER_RABIN_ROUNDS = 100
    };

    CPrimeGen() {}
    virtual ~CPrimeGen() {}

    // Builds SmallPrimeTable once; call before any search starts.
    static void BuildSmallPrimeTable();

    // Draws 640-bit candidates until one is a probable prime (TRUE) or cancel
    // is seen (FALSE). candidates counts every draw; roundsPassed the rounds
    // the current candidate has passed. FALSE at once when m_rand is unseeded.
    BOOL FindPrime(CBigNum& prime, std::atomic<LONG>& roundsPassed, std::atomic<LONG>& candidates,
                   const std::atomic<BOOL>& cancel);

    // A random number below 2^bits: the 16-bit digits from the most
    // significant down, each high byte then low byte from m_rand.
    void RandomBits(int bits, CBigNum& out);

    BOOL IsProbablePrime(const CBigNum& n, const std::atomic<BOOL>& cancel, std::atomic<LONG>& roundsPassed);
    // One round with a random base; n - 1 = 2^s * d.
    BOOL MillerRabinRound(const CBigNum& n, int s, const CBigNum& d);
    // d and s with n - 1 = 2^s * d, d odd; n odd and greater than 1.
    static int SplitPowerOfTwo(const CBigNum& n, CBigNum& d);
    static BOOL HasSmallPrimeFactor(const CBigNum& n);

    CGRand m_rand;

private:
    CPrimeGen(const CPrimeGen&) = delete;
    CPrimeGen& operator=(const CPrimeGen&) = delete;
};
