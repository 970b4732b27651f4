#include <gtest/gtest.h>

#include "crypto/CBigNum.h"
#include "crypto/CMontgomery.h"
#include "crypto/CDivideByZeroException.h"
#include "CryptoTestUtil.h"

namespace {

struct FromStringCase
{
    const wchar_t* text;
    const wchar_t* hex;  // expected value
    int nLength;         // expected word count
};

TEST(CBigNumTest, FromStringBasesAndStops)
{
    const FromStringCase cases[] = {
        {L"0x1F", L"1f", 1},
        {L"0X1f", L"1f", 1},
        {L"017", L"f", 1},
        {L"019", L"1", 1},
        {L"12a3", L"c", 1},
        {L"", L"0", 1},
        {L"0", L"0", 1},
        {L"0x", L"0", 1},
        {L"0X", L"0", 1},
        {L"x12", L"0", 1},
        {L"-5", L"0", 1},
        {L"0xg1", L"0", 1},
        {L"0x00000001000000000", L"1000000000", 2},
        {L"4294967296", L"100000000", 2},
        {L"18446744073709551615", L"ffffffffffffffff", 2},
        {L"0xFFFFFFFF 12", L"ffffffff", 1},
        {L"0777777777777", L"fffffffff", 2},
    };
    for (const FromStringCase& c : cases)
    {
        CBigNum n;
        n.FromString(c.text);
        EXPECT_EQ(std::wstring(c.hex), Hex(n)) << "text \"" << Narrow(c.text) << "\"";
        EXPECT_EQ(c.nLength, n.GetLength()) << "text \"" << Narrow(c.text) << "\"";
    }
}

TEST(CBigNumTest, FromStringOf320HexDigitsGives40Words)
{
    std::wstring text = L"0x";
    for (int i = 0; i < 320; ++i)
        text += L"0123456789abcdefFEDCBA9876543210"[i % 32];
    CBigNum n;
    n.FromString(text.c_str());
    EXPECT_EQ(40, n.GetLength());
    CString back = n.ToHexString();
    std::wstring expected = text.substr(2);
    for (wchar_t& ch : expected)
        ch = (wchar_t)towlower(ch);
    EXPECT_EQ(expected, std::wstring(back.GetString()));
}

TEST(CBigNumTest, ToHexStringPrintsEveryWord)
{
    CBigNum n;
    n.SetZero();
    EXPECT_EQ(CString(L"00000000"), n.ToHexString());
    n.SetWord(10);
    n.PushWord(1);  // 2^32 + 10
    EXPECT_EQ(CString(L"000000010000000a"), n.ToHexString());
    n.PushWord(0);  // a leading zero word shows as eight more zeros
    EXPECT_EQ(CString(L"00000000000000010000000a"), n.ToHexString());
    CBigNum empty;
    EXPECT_EQ(CString(), empty.ToHexString());
}

TEST(CBigNumTest, ByteConversions)
{
    const BYTE five[] = {1, 2, 3, 4, 5};
    CByteArray a;
    for (BYTE b : five)
        a.Add(b);
    CBigNum n;
    n.FromByteArray(a);
    EXPECT_EQ(L"102030405", Hex(n));
    EXPECT_EQ(2, n.GetLength());

    n.SetBytesLE(five, 5);
    EXPECT_EQ(L"504030201", Hex(n));
    EXPECT_EQ(2, n.GetLength());

    CByteArray none;
    n.FromByteArray(none);
    EXPECT_EQ(L"0", Hex(n));
    EXPECT_EQ(1, n.GetLength());

    const BYTE one[] = {0, 0, 0, 0, 1};
    CByteArray b;
    for (BYTE x : one)
        b.Add(x);
    n.FromByteArray(b);
    EXPECT_EQ(L"1", Hex(n));
    EXPECT_EQ(2, n.GetLength()) << "leading zero bytes keep their word";

    // Back to bytes: leading zero words dropped, 4 bytes per word, top first.
    CByteArray out;
    n.ToByteArray(out);
    ASSERT_EQ(4, out.GetSize());
    EXPECT_EQ(1, out[3]);
    SetHex(n, L"102030405");
    n.ToByteArray(out);
    ASSERT_EQ(8, out.GetSize());
    const BYTE expected[] = {0, 0, 0, 1, 2, 3, 4, 5};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], out[i]) << "byte " << i;
}

struct DivCase
{
    const wchar_t* a;
    const wchar_t* b;
    const wchar_t* q;
    const wchar_t* r;
};

TEST(CBigNumTest, DivModTable)
{
    const DivCase cases[] = {
        // 2^95 + 5 by 2^63 + 1: a step whose remainder top word equals the divisor's
        {L"800000000000000000000005", L"8000000000000001", L"ffffffff", L"7fffffff00000006"},
        {L"5", L"7", L"0", L"5"},
        {L"123456789abcdef", L"123456789abcdef", L"1", L"0"},
        {L"ffffffffffffffffffffffff", L"3", L"555555555555555555555555", L"0"},
        {L"1000000000000000000000000", L"ffffffff", L"10000000100000001", L"1"},
        {L"1000000000000000000000000", L"100000000", L"10000000000000000", L"0"},
        {L"fffffffffffffffffffffffffffffffe", L"ffffffffffffffff", L"10000000000000000", L"fffffffffffffffe"},
        {L"10000000000000000000000000000000000000000", L"1000000000000000000000001", L"ffffffffffffffff",
         L"ffffffff0000000000000001"},
        // no shift needed (top bit of the divisor set) and a shift of 31
        {L"ffffffffffffffffffffffffffffffff", L"8000000000000000", L"1ffffffffffffffff", L"7fffffffffffffff"},
        {L"ffffffffffffffffffffffffffffffff", L"100000001", L"ffffffff00000000ffffffff", L"0"},
    };
    for (const DivCase& c : cases)
    {
        CBigNum a, b, q, r;
        SetHex(a, c.a);
        SetHex(b, c.b);
        CBigNum::DivMod(a, q, b, r);
        EXPECT_EQ(std::wstring(c.q), Hex(q)) << Narrow(c.a) << " / " << Narrow(c.b);
        EXPECT_EQ(std::wstring(c.r), Hex(r)) << Narrow(c.a) << " mod " << Narrow(c.b);
        EXPECT_EQ(Narrow(c.a), Narrow(Hex(a))) << "dividend unchanged";
    }
}

TEST(CBigNumTest, DivModOneWordDivisorNormalises)
{
    CBigNum a, b, q, r;
    SetHex(a, L"00000000000000000000000100000000");
    a.Resize(6, TRUE);  // leading zero words on the dividend
    b.SetWord(7);
    CBigNum::DivMod(a, q, b, r);
    EXPECT_EQ(L"24924924", Hex(q));
    EXPECT_EQ(1, q.GetLength());
    EXPECT_EQ(L"4", Hex(r));
    EXPECT_EQ(1, r.GetLength());
}

TEST(CBigNumTest, DivModIdentityOnRandomOperands)
{
    CTestRng rng(12345);
    for (int iter = 0; iter < 300; ++iter)
    {
        int na = 1 + (int)(rng.Next() % 90);
        int nb = 1 + (int)(rng.Next() % 45);
        CBigNum a, b, q, r;
        rng.Fill(a, na);
        rng.Fill(b, nb);
        if (iter % 7 == 0)
            b.SetWord(1 + rng.Next() % 0xFFFF);
        if (iter % 11 == 0)
            b.Resize(nb, FALSE), b.SetBit(32 * nb - 1);  // top bit set: no shift
        if (b.IsZero())
            b.SetWord(3);
        CBigNum::DivMod(a, q, b, r);
        // q * b + r == a and r < b
        CBigNum check;
        check.Copy(q);
        check.Mul(b);
        check.Add(r);
        ASSERT_EQ(0, CBigNum::Compare(check, a))
            << "iteration " << iter << ": " << Narrow(Hex(a)) << " / " << Narrow(Hex(b));
        ASSERT_LT(CBigNum::Compare(r, b), 0) << "iteration " << iter;
    }
}

TEST(CBigNumTest, DivisionByZeroRaises)
{
    CBigNum a, zero, q, r;
    a.SetWord(5);
    zero.SetZero();
    zero.PushWord(0);  // zero with a leading zero word is still zero
    EXPECT_THROW(CBigNum::DivMod(a, q, zero, r), CDivideByZeroException);
    EXPECT_THROW(a.Mod(zero), CDivideByZeroException);
    EXPECT_EQ(L"5", Hex(a)) << "the number keeps its value";
}

struct PowCase
{
    const wchar_t* base;
    const wchar_t* exp;
    const wchar_t* mod;
    const wchar_t* result;
};

TEST(CBigNumTest, PowModTable)
{
    const PowCase cases[] = {
        {L"4", L"d", L"1f1", L"1bd"},   // 4^13 mod 497 = 445
        {L"1234", L"0", L"1f1", L"1"},  // exponent 0
        {L"0", L"5", L"1f1", L"0"},
        {L"ffffffffffffffff", L"1", L"1f1", L"1b3"},  // base larger than the modulus
        {L"3", L"64", L"10000", L"13d1"},             // even modulus: 3^100 mod 2^16
        {L"2", L"ffffffffffffffff", L"1", L"0"},      // modulus 1
        // Fermat: a^(p-1) = 1 for the prime 2^127 - 1
        {L"abcdef", L"7ffffffffffffffffffffffffffffffe", L"7fffffffffffffffffffffffffffffff", L"1"},
    };
    for (const PowCase& c : cases)
    {
        CBigNum b, e, m, r;
        SetHex(b, c.base);
        SetHex(e, c.exp);
        SetHex(m, c.mod);
        ASSERT_TRUE(CBigNum::PowMod(r, b, e, m));
        EXPECT_EQ(std::wstring(c.result), Hex(r)) << Narrow(c.base) << "^" << Narrow(c.exp) << " mod " << Narrow(c.mod);
        CBigNum plain;
        ASSERT_TRUE(CBigNum::PowModPlain(plain, b, e, m));
        EXPECT_EQ(std::wstring(c.result), Hex(plain)) << "plain loop, mod " << Narrow(c.mod);
    }
}

TEST(CBigNumTest, PowModMatchesPlainLoopOnRandomOperands)
{
    CTestRng rng(777);
    const int sizes[] = {1, 2, 3, 5, 20, 21, 40};
    for (int nWords : sizes)
    {
        for (int iter = 0; iter < 4; ++iter)
        {
            CBigNum b, e, m, fast, plain;
            rng.Fill(m, nWords);
            m.SetBit(0);  // odd: the Montgomery path
            if (iter == 3)
                m.SetBit(32 * nWords - 1);
            rng.Fill(b, nWords + (iter % 2));  // sometimes above the modulus
            rng.Fill(e, 1 + (int)(rng.Next() % nWords));
            ASSERT_TRUE(CBigNum::PowMod(fast, b, e, m));
            ASSERT_TRUE(CBigNum::PowModPlain(plain, b, e, m));
            EXPECT_EQ(Hex(plain), Hex(fast)) << nWords << " words, iteration " << iter;
        }
    }
}

TEST(CBigNumTest, MontgomeryLimbsOfThisBuild)
{
    // The same tests run over both limb widths; this says which one they ran.
#if defined(__SIZEOF_INT128__) && !defined(CRYPTO_NO_INT128)
    EXPECT_EQ(8u, sizeof(CMontgomery::Limb));
#else
    EXPECT_EQ(4u, sizeof(CMontgomery::Limb));
#endif
}

TEST(CBigNumTest, PowModRefusesZeroModulus)
{
    CBigNum b, e, m, r;
    b.SetWord(2);
    e.SetWord(3);
    m.SetZero();
    r.SetWord(77);
    EXPECT_FALSE(CBigNum::PowMod(r, b, e, m));
    EXPECT_FALSE(CBigNum::PowModPlain(r, b, e, m));
    EXPECT_EQ(L"4d", Hex(r)) << "result untouched";
}

TEST(CBigNumTest, IsDivisibleByFermatPrime)
{
    struct
    {
        const wchar_t* hex;
        BOOL expected;
    } cases[] = {
        {L"30003", TRUE},     // 65537 * 3
        {L"ffffffff", TRUE},  // 2^32 - 1
        {L"7", FALSE},
        {L"0", TRUE},
        {L"b", FALSE},
        {L"101", TRUE},                        // 257
        {L"1000000010000000100000001", TRUE},  // sum of words 4 words of 1 ... 4? no: see below
        {L"fffffffffffffffffffffffe", FALSE},  // wraps the end-around carry
        {L"10000000000000000", FALSE},         // 2^64 = 1 mod 2^32 - 1
    };
    // 2^96 + 2^64 + 2^32 + 1 is 4 modulo 2^32 - 1: not divisible.
    cases[6].expected = FALSE;
    for (const auto& c : cases)
    {
        CBigNum n;
        SetHex(n, c.hex);
        EXPECT_EQ(c.expected, n.IsDivisibleByFermatPrime()) << Narrow(c.hex);
    }
}

TEST(CBigNumTest, ArithmeticLengths)
{
    CBigNum a, b;
    SetHex(a, L"123456789");
    b.Copy(a);
    a.Sub(b);
    EXPECT_EQ(L"0", Hex(a));
    EXPECT_EQ(1, a.GetLength());

    SetHex(a, L"ffffffffffffffff");
    a.ShiftRight(64);
    EXPECT_EQ(1, a.GetLength());
    EXPECT_EQ(L"0", Hex(a));
    SetHex(a, L"ffffffffffffffff");
    a.ShiftRight(1000);
    EXPECT_EQ(L"0", Hex(a));

    SetHex(a, L"ffffffff");
    b.SetWord(1);
    a.Add(b);  // the carry pushes a word
    EXPECT_EQ(L"100000000", Hex(a));
    EXPECT_EQ(2, a.GetLength());

    SetHex(a, L"1");
    a.Resize(3, TRUE);  // Add does not normalise: length max of the two
    b.SetWord(2);
    a.Add(b);
    EXPECT_EQ(3, a.GetLength());
    EXPECT_EQ(L"3", Hex(a));

    SetHex(a, L"100000000");
    b.MulWord(a, 0);  // exactly length + 1 words
    EXPECT_EQ(3, b.GetLength());

    SetHex(a, L"1");
    a.ShiftLeft(100);
    EXPECT_EQ(L"10000000000000000000000000", Hex(a));
    EXPECT_EQ(4, a.GetLength());

    a.SetZero();
    a.SetBit(200);
    EXPECT_EQ(7, a.GetLength());
    a.Decrement();
    EXPECT_EQ(200, a.BitLength());
}

TEST(CBigNumTest, MulAndSquareAgree)
{
    CTestRng rng(99);
    for (int n = 1; n <= 45; n += 4)
    {
        CBigNum a, b, sq;
        rng.Fill(a, n);
        b.Copy(a);
        sq.Copy(a);
        b.Mul(a);
        sq.Square();
        EXPECT_EQ(Hex(b), Hex(sq)) << n << " words";
        EXPECT_EQ(b.GetLength(), sq.GetLength());
    }
    CBigNum m;
    SetHex(m, L"ffffffffffffffff");
    m.Square();
    EXPECT_EQ(L"fffffffffffffffe0000000000000001", Hex(m));
}

TEST(CBigNumTest, ImpossibleSizeIsAMemoryFailure)
{
    CBigNum a;
    SetHex(a, L"123456789");
    EXPECT_THROW(a.Resize(0x40000000, TRUE), CMemoryException);  // 4 GB of words
    EXPECT_THROW(a.Resize(0x7FFFFFFF, FALSE), CMemoryException);
    EXPECT_EQ(L"123456789", Hex(a)) << "the number keeps its value";
    EXPECT_EQ(2, a.GetLength());
}

TEST(CBigNumTest, GrowsPastInitialCapacity)
{
    CBigNum a;
    a.SetOne();
    a.ShiftLeft(32 * 300);
    EXPECT_EQ(301, a.GetLength());
    EXPECT_EQ(384, a.GetCapacity()) << "capacity in steps of 128 words";
    a.Square();
    EXPECT_EQ(601, a.GetLength());
}

}  // namespace
