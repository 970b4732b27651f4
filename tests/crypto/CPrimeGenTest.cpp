#include <gtest/gtest.h>

#include "crypto/CPrimeGen.h"
#include "CryptoTestUtil.h"

#include <string>

namespace {

std::wstring M521()  // 2^521 - 1 in hexadecimal
{
    return L"1" + std::wstring(130, L'f');
}

class CPrimeGenTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { CPrimeGen::BuildSmallPrimeTable(); }

    static void SeedWith(CPrimeGen& gen, uint32_t salt)
    {
        BYTE seed[256];
        for (int i = 0; i < 256; ++i)
            seed[i] = (BYTE)(i * 37 + salt * 101 + (i >> 3));
        ASSERT_TRUE(gen.m_rand.Seed(seed, 256));
    }
};

TEST_F(CPrimeGenTest, SmallPrimeTable)
{
    ASSERT_TRUE(SmallPrimeTableBuilt);
    ASSERT_EQ(6537, SmallPrimeTable.GetSize());
    EXPECT_EQ(7, SmallPrimeTable[0]);
    EXPECT_EQ(11, SmallPrimeTable[1]);
    EXPECT_EQ(13, SmallPrimeTable[2]);
    EXPECT_EQ(19, SmallPrimeTable[3]);
    EXPECT_EQ(65521, SmallPrimeTable[6536]) << "the largest prime below 65536";
    for (INT_PTR i = 0; i < SmallPrimeTable.GetSize(); ++i)
    {
        WORD p = SmallPrimeTable[i];
        ASSERT_TRUE(p != 3 && p != 5 && p != 17 && p != 257) << p << " is left to the word-sum test";
        if (i > 0)
        {
            ASSERT_LT(SmallPrimeTable[i - 1], p) << "ascending at " << i;
        }
        for (uint32_t d = 3; d * d <= p; d += 2)
            ASSERT_NE(0u, p % d) << p << " is not prime";
    }
    CPrimeGen::BuildSmallPrimeTable();
    EXPECT_EQ(6537, SmallPrimeTable.GetSize()) << "a second build changes nothing";
}

TEST_F(CPrimeGenTest, HasSmallPrimeFactor)
{
    struct
    {
        const wchar_t* hex;
        BOOL expected;
    } cases[] = {
        {L"fff1", TRUE},                               // 65521 itself
        {L"fff10000000000000000", TRUE},               // 65521 * 2^64
        {L"10001", FALSE},                             // 65537: not in the table
        {L"253a919ac20bb9", TRUE},                     // 120427 * 240853 * 361279 has no... see below
        {L"7fffffffffffffffffffffffffffffff", FALSE},  // 2^127 - 1
        {L"1b", FALSE},                                // 27 = 3^3: 3 is not in the table
    };
    // 10478971179371449 = 120427 * 240853 * 361279: all factors above 65536.
    cases[3].expected = FALSE;
    for (const auto& c : cases)
    {
        CBigNum n;
        SetHex(n, c.hex);
        EXPECT_EQ(c.expected, CPrimeGen::HasSmallPrimeFactor(n)) << Narrow(c.hex);
    }
    // The product of two large table primes with something big.
    CBigNum n;
    SetHex(n, L"7fffffffffffffffffffffffffffffff");
    CBigNum f;
    f.SetWord(65519u * 65521u);
    n.Mul(f);
    EXPECT_TRUE(CPrimeGen::HasSmallPrimeFactor(n));
}

TEST_F(CPrimeGenTest, HasSmallPrimeFactorMatchesOneDivisionPerPrime)
{
    // Every table prime times a large prime is caught, wherever it sits in
    // the table; random numbers agree with a plain remainder per prime.
    CBigNum big;
    SetHex(big, L"7fffffffffffffffffffffffffffffff");
    for (INT_PTR i = 0; i < SmallPrimeTable.GetSize(); ++i)
    {
        CBigNum n, f;
        n.Copy(big);
        f.SetWord(SmallPrimeTable[i]);
        n.Mul(f);
        ASSERT_TRUE(CPrimeGen::HasSmallPrimeFactor(n)) << "factor " << SmallPrimeTable[i];
    }
    CTestRng rng(4242);
    for (int iter = 0; iter < 300; ++iter)
    {
        CBigNum n;
        rng.Fill(n, 1 + (int)(rng.Next() % 20));
        n.SetBit(0);
        BOOL plain = FALSE;
        for (INT_PTR i = 0; i < SmallPrimeTable.GetSize() && !plain; ++i)
        {
            uint64_t r = 0;
            for (int k = n.GetLength() - 1; k >= 0; --k)
                r = ((r << 32) | n.GetWord(k)) % SmallPrimeTable[i];
            plain = r == 0;
        }
        ASSERT_EQ(plain, CPrimeGen::HasSmallPrimeFactor(n)) << Narrow(Hex(n));
    }
}

TEST_F(CPrimeGenTest, SplitPowerOfTwo)
{
    struct
    {
        const wchar_t* n;
        int s;
        const wchar_t* d;
    } cases[] = {
        {L"3", 1, L"1"},
        {L"5", 2, L"1"},
        {L"61", 5, L"3"},
        {L"100000001", 32, L"1"},
        {L"10000000000000001", 64, L"1"},
        {L"7fffffffffffffffffffffffffffffff", 1, L"3fffffffffffffffffffffffffffffff"},
    };
    for (const auto& c : cases)
    {
        CBigNum n, d;
        SetHex(n, c.n);
        EXPECT_EQ(c.s, CPrimeGen::SplitPowerOfTwo(n, d)) << Narrow(c.n);
        EXPECT_EQ(std::wstring(c.d), Hex(d)) << Narrow(c.n);
    }
}

TEST_F(CPrimeGenTest, MillerRabinOnPrimesAndCarmichaelNumbers)
{
    CPrimeGen gen;
    SeedWith(gen, 1);
    const std::wstring m521 = M521();
    struct
    {
        const wchar_t* hex;
        bool prime;
    } cases[] = {
        {L"7fffffffffffffffffffffffffffffff", true},                   // 2^127 - 1
        {m521.c_str(), true},                                          // 2^521 - 1
        {L"fffffffb", true},                                           // 4294967291
        {L"253a919ac20bb9", false},                                    // Carmichael 120427 * 240853 * 361279
        {L"51000000000013956c000000019409bd4000000ada9e6b99", false},  // 191-bit Carmichael
        {L"231", false},                                               // 561, the smallest Carmichael
        {L"bfa17dc7", false},                                          // 3215031751: strong pseudoprime to 2, 3, 5, 7
    };
    for (const auto& c : cases)
    {
        CBigNum n, d;
        SetHex(n, c.hex);
        int s = CPrimeGen::SplitPowerOfTwo(n, d);
        int passed = 0;
        for (int i = 0; i < 30; ++i)
            passed += gen.MillerRabinRound(n, s, d) ? 1 : 0;
        if (c.prime)
            EXPECT_EQ(30, passed) << Narrow(c.hex) << " is prime";
        else
            EXPECT_LT(passed, 20) << Narrow(c.hex) << " is composite (at most a quarter of bases lie)";
    }
    // A Carmichael number gets past the small-divisor tests but not Miller-Rabin.
    CBigNum carmichael;
    SetHex(carmichael, L"51000000000013956c000000019409bd4000000ada9e6b99");
    std::atomic<BOOL> cancel(FALSE);
    std::atomic<LONG> rounds(0);
    EXPECT_FALSE(carmichael.IsDivisibleByFermatPrime());
    EXPECT_FALSE(CPrimeGen::HasSmallPrimeFactor(carmichael));
    EXPECT_FALSE(gen.IsProbablePrime(carmichael, cancel, rounds));
    CBigNum mersenne;
    SetHex(mersenne, m521.c_str());
    rounds = 0;
    EXPECT_TRUE(gen.IsProbablePrime(mersenne, cancel, rounds));
    EXPECT_EQ(100, rounds);
}

TEST_F(CPrimeGenTest, RandomBits)
{
    CPrimeGen gen;
    SeedWith(gen, 2);
    bool sawTopBit = false;
    for (int i = 0; i < 200; ++i)
    {
        CBigNum r;
        gen.RandomBits(639, r);
        ASSERT_EQ(20, r.GetLength());
        ASSERT_LE(r.BitLength(), 639) << "draw " << i;
        gen.RandomBits(640, r);
        ASSERT_EQ(20, r.GetLength()) << "leading zero words are kept";
        sawTopBit = sawTopBit || r.TestBit(639);
    }
    EXPECT_TRUE(sawTopBit);

    // Digit order: the most significant 16-bit digit comes first, high byte first.
    CPrimeGen a;
    SeedWith(a, 3);
    CGRand twin;
    BYTE seed[256];
    for (int i = 0; i < 256; ++i)
        seed[i] = (BYTE)(i * 37 + 3 * 101 + (i >> 3));
    twin.Seed(seed, 256);
    CBigNum r;
    a.RandomBits(32, r);
    uint32_t hi = (uint32_t)twin.NextByte() << 8;
    hi |= twin.NextByte();
    uint32_t lo = (uint32_t)twin.NextByte() << 8;
    lo |= twin.NextByte();
    EXPECT_EQ((hi << 16) | lo, r.GetWord(0));
}

TEST_F(CPrimeGenTest, FindPrimeDelivers640BitPrimes)
{
    CPrimeGen gen;
    SeedWith(gen, 4);
    CBigNum p;
    std::atomic<LONG> rounds(0), candidates(0);
    std::atomic<BOOL> cancel(FALSE);
    ASSERT_TRUE(gen.FindPrime(p, rounds, candidates, cancel));
    EXPECT_EQ(640, p.BitLength());
    EXPECT_TRUE(p.TestBit(639) && p.TestBit(638) && p.TestBit(0));
    EXPECT_EQ(100, rounds);
    EXPECT_GE(candidates, 1);
    // Fermat with the plain loop, independent of the fast exponentiation.
    CBigNum pm1, x, base;
    pm1.Copy(p);
    pm1.Decrement();
    for (uint32_t a : {2u, 3u, 65537u})
    {
        base.SetWord(a);
        CBigNum::PowModPlain(x, base, pm1, p);
        EXPECT_TRUE(x.IsOne()) << "base " << a;
    }
    // The same seed finds the same prime after the same number of candidates.
    CPrimeGen again;
    SeedWith(again, 4);
    CBigNum q;
    std::atomic<LONG> rounds2(0), candidates2(0);
    ASSERT_TRUE(again.FindPrime(q, rounds2, candidates2, cancel));
    EXPECT_EQ(0, CBigNum::Compare(p, q));
    EXPECT_EQ(candidates, candidates2);
}

TEST_F(CPrimeGenTest, CancelStopsTheSearch)
{
    CPrimeGen gen;
    SeedWith(gen, 5);
    CBigNum p;
    std::atomic<LONG> rounds(0), candidates(0);
    std::atomic<BOOL> cancel(TRUE);
    EXPECT_FALSE(gen.FindPrime(p, rounds, candidates, cancel));
    EXPECT_EQ(1, candidates);
    EXPECT_LE(rounds, 1);

    CPrimeGen unseeded;
    cancel = FALSE;
    EXPECT_FALSE(unseeded.FindPrime(p, rounds, candidates, cancel)) << "no random source";
}

}  // namespace
