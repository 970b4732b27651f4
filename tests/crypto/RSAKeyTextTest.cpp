#include <gtest/gtest.h>

#include "crypto/RSAKeyText.h"
#include "CryptoTestUtil.h"

#include <string>

namespace {

TEST(RSAKeyTextTest, FormatPrintsEightDigitsPerWord)
{
    CBigNum n, d;
    SetHex(n, L"123456789abcdef0");
    d.SetWord(0xab);
    EXPECT_EQ(CString(L"123456789abcdef0 000000ab"), FormatRSAKeyText(n, d));

    // 1280 bits: 320 digits for the modulus
    n.SetZero();
    n.SetBit(1279);
    CString text = FormatRSAKeyText(n, d);
    EXPECT_EQ(320 + 1 + 8, text.GetLength());
}

TEST(RSAKeyTextTest, RoundTrip)
{
    CTestRng rng(3);
    CBigNum n, d, n2, d2;
    rng.Fill(n, 40);
    rng.Fill(d, 40);
    ASSERT_TRUE(ParseRSAKeyText(FormatRSAKeyText(n, d), n2, d2));
    EXPECT_EQ(0, CBigNum::Compare(n, n2));
    EXPECT_EQ(0, CBigNum::Compare(d, d2));
}

TEST(RSAKeyTextTest, DamagedTextsAreRefused)
{
    std::wstring longHalf(RSA_KEY_TEXT_MAX_DIGITS + 1, L'f');
    std::wstring okHalf(RSA_KEY_TEXT_MAX_DIGITS, L'f');
    struct
    {
        std::wstring text;
        BOOL ok;
        const wchar_t* n;
        const wchar_t* d;
    } cases[] = {
        {L"", FALSE, nullptr, nullptr},
        {L"abcdef", FALSE, nullptr, nullptr},             // no blank
        {L" abc", FALSE, nullptr, nullptr},               // blank first
        {L"abc ", FALSE, nullptr, nullptr},               // blank last
        {L"00000000 00000003", FALSE, nullptr, nullptr},  // zero modulus
        {L"zz 3", FALSE, nullptr, nullptr},               // modulus reads as zero
        {L"cafe 0", FALSE, nullptr, nullptr},             // zero exponent
        {longHalf + L" 3", FALSE, nullptr, nullptr},      // absurdly long modulus
        {L"3 " + longHalf, FALSE, nullptr, nullptr},
        {L"cafe babe", TRUE, L"cafe", L"babe"},
        {L"CAFE 12 34", TRUE, L"cafe", L"12"},   // a second blank ends the exponent
        {L"cafe  12", FALSE, nullptr, nullptr},  // the exponent half starts with a blank: 0
        {okHalf + L" 1", TRUE, nullptr, L"1"},
    };
    for (const auto& c : cases)
    {
        CBigNum n, d;
        n.SetWord(77);
        d.SetWord(88);
        BOOL ok = ParseRSAKeyText(c.text.c_str(), n, d);
        std::string name = Narrow(c.text.substr(0, 40));
        EXPECT_EQ(c.ok, ok) << "\"" << name << "\"";
        if (!c.ok)
        {
            EXPECT_EQ(L"4d", Hex(n)) << "\"" << name << "\": untouched";
            EXPECT_EQ(L"58", Hex(d)) << "\"" << name << "\": untouched";
        }
        else
        {
            if (c.n)
            {
                EXPECT_EQ(std::wstring(c.n), Hex(n)) << "\"" << name << "\"";
            }
            EXPECT_EQ(std::wstring(c.d), Hex(d)) << "\"" << name << "\"";
        }
    }
}

}  // namespace
