#include <gtest/gtest.h>

#include <climits>

#include "afx/CString.h"

namespace {

std::string Narrow(LPCWSTR s)
{
    std::string out;
    for (; *s; ++s)
    {
        if (*s < 0x80)
        {
            out += static_cast<char>(*s);
        }
        else
        {
            char buf[12];
            snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(*s));
            out += buf;
        }
    }
    return out;
}

}  // namespace

TEST(CStringFormat, WindowsWidePrintfConventions)
{
    CString wide(L"\x8A2D\x5B9A");  // 設定
    struct Case
    {
        const char* name;
        CString result;
        LPCWSTR expected;
    };
    auto fmt = [](auto... args) {
        CString s;
        s.Format(args...);
        return s;
    };
    const Case cases[] = {
        {"%s wide literal", fmt(L"[%s]", L"abc"), L"[abc]"},
        {"%s CString argument", fmt(L"<%s>", wide), L"<\x8A2D\x5B9A>"},
        {"%ls", fmt(L"%ls", L"x"), L"x"},
        {"%hs narrow", fmt(L"%hs", "narrow"), L"narrow"},
        {"%d negative", fmt(L"%d", -42), L"-42"},
        {"%u", fmt(L"%u", 4000000000u), L"4000000000"},
        {"%lu", fmt(L"%lu", 4000000000ul), L"4000000000"},
        {"%x", fmt(L"%x", 0xBEEFu), L"beef"},
        {"%08X", fmt(L"%08X", 0xBEEFu), L"0000BEEF"},
        {"%I64d", fmt(L"%I64d", -9000000000LL), L"-9000000000"},
        {"%I64u", fmt(L"%I64u", 18446744073709551615ULL), L"18446744073709551615"},
        {"%02d time stamp", fmt(L"%02d/%02d %02d:%02d:%02d ", 1, 2, 3, 4, 5), L"01/02 03:04:05 "},
        {"%02d of -1", fmt(L"%02d:%02d", -1, -1), L"-1:-1"},
        {"%c wide char", fmt(L"%c", L'\x3042'), L"\x3042"},
        {"%%", fmt(L"100%%"), L"100%"},
        {"port message", fmt(L"\x7A3C\x50CD\x4E2D\x3000\x30DD\x30FC\x30C8 %d", 60125),
         L"\x7A3C\x50CD\x4E2D\x3000\x30DD\x30FC\x30C8 60125"},
        {"%d with int max", fmt(L"%d", INT_MAX), L"2147483647"},
        {"empty result", fmt(L"%s", L""), L""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.expected, c.result.GetString()) << c.name << " gave " << Narrow(c.result);
}

TEST(CStringFormat, LongResults)
{
    CString big(L'q', 5000);
    CString out;
    out.Format(L"[%s]", big);
    ASSERT_EQ(5002, out.GetLength());
    EXPECT_EQ(L'q', out[4999]);
    EXPECT_EQ(L']', out[5001]);
}

TEST(CStringTrim, RemovesWhatIswspaceAccepts)
{
    struct Case
    {
        LPCWSTR input;
        LPCWSTR left, right;
    };
    const Case cases[] = {
        {L"  a b  ", L"a b  ", L"  a b"},
        {L"\t\r\na\n", L"a\n", L"\t\r\na"},
        {L"\x3000\x540D\x524D\x3000", L"\x540D\x524D\x3000", L"\x3000\x540D\x524D"},
        {L"\x00A0x\x2003", L"x\x2003", L"\x00A0x"},
        {L"\v\fx\v\f", L"x\v\f", L"\v\fx"},
        {L"   ", L"", L""},
        {L"", L"", L""},
        {L"\xFF41", L"\xFF41", L"\xFF41"},  // full-width a is no space
        {L"a\x3000\x62", L"a\x3000\x62", L"a\x3000\x62"},
    };
    for (const Case& c : cases)
    {
        CString left(c.input), right(c.input);
        left.TrimLeft();
        right.TrimRight();
        EXPECT_STREQ(c.left, left.GetString()) << "TrimLeft of " << Narrow(c.input);
        EXPECT_STREQ(c.right, right.GetString()) << "TrimRight of " << Narrow(c.input);
    }
}

TEST(CStringTrim, RuntimeIswspaceAcceptsIdeographicSpace)
{
    // The code relies on this only as a second line; record what the runtime does.
    EXPECT_TRUE(CString::IsSpace(0x3000));
    EXPECT_FALSE(CString::IsSpace(L'x'));
    EXPECT_FALSE(CString::IsSpace(0));
}

TEST(CStringCompare, CaseAndOperators)
{
    EXPECT_GT(CString(L"a").Compare(L"A"), 0);
    EXPECT_TRUE(CString(L"x") == L"x");
    EXPECT_TRUE(CString(L"x") != CString(L"X"));
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
}

TEST(CStringSearch, FindReverseFindAndSubstrings)
{
    CString s(L"a,b,,c");
    struct Case
    {
        const char* name;
        int got, expected;
    };
    const Case cases[] = {
        {"Find char", s.Find(L','), 1},
        {"Find char from", s.Find(L',', 2), 3},
        {"Find char at end", s.Find(L',', 6), -1},
        {"Find char negative start", s.Find(L',', -1), -1},
        {"ReverseFind", s.ReverseFind(L','), 4},
        {"ReverseFind missing", s.ReverseFind(L'x'), -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.got) << c.name;

    struct Sub
    {
        const char* name;
        CString got;
        LPCWSTR expected;
    };
    const Sub subs[] = {
        {"Left 3", s.Left(3), L"a,b"},
        {"Left too many", s.Left(99), L"a,b,,c"},
        {"Left negative", s.Left(-1), L""},
        {"Mid 2", s.Mid(2), L"b,,c"},
        {"Mid 2,2", s.Mid(2, 2), L"b,"},
        {"Mid past end", s.Mid(10), L""},
        {"Mid count too big", s.Mid(4, 10), L",c"},
    };
    for (const Sub& c : subs)
        EXPECT_STREQ(c.expected, c.got.GetString()) << c.name;
}

TEST(CStringEdit, ConcatenateAndIndex)
{
    CString t = L"x" + CString(L"y") + L'z' + L"w";
    t += L'!';
    t += CString(L"?");
    EXPECT_STREQ(L"xyzw!?", t.GetString());

    t.SetAt(0, L'X');
    EXPECT_EQ(L'X', t.GetAt(0));
    EXPECT_EQ(L'?', t[5]);
    const int badIndexes[] = {-1, 6, INT_MAX};
    for (int i : badIndexes)
    {
        EXPECT_THROW(t.GetAt(i), CInvalidArgException) << "GetAt " << i;
        EXPECT_THROW(t.SetAt(i, L'a'), CInvalidArgException) << "SetAt " << i;
        EXPECT_THROW(t[i], CInvalidArgException) << "[] " << i;
    }
    t.Empty();
    EXPECT_TRUE(t.IsEmpty());
}

TEST(CStringBuffer, GetBufferReleaseBuffer)
{
    CString s(L"abc");
    LPWSTR p = s.GetBuffer(10);
    wcscpy(p, L"0123456789");
    s.ReleaseBuffer();
    EXPECT_STREQ(L"0123456789", s.GetString());

    p = s.GetBuffer(0);  // keeps the contents
    EXPECT_STREQ(L"0123456789", p);
    s.ReleaseBuffer(4);
    EXPECT_STREQ(L"0123", s.GetString());

    WCHAR name[] = L"HOST";
    p = s.GetBufferSetLength(4);
    memcpy(p, name, 4 * sizeof(WCHAR));
    s.ReleaseBuffer();
    EXPECT_STREQ(L"HOST", s.GetString());
    EXPECT_EQ(4, s.GetLength());
    EXPECT_THROW(s.GetBuffer(-1), CInvalidArgException);
}

TEST(CStringConstruct, FromAnsiCodePageAndWithLength)
{
    EXPECT_EQ(932u, GetACP());         // the test computer is Japanese
    CString fromAnsi("\x82\xA0\x41");  // Shift_JIS: あ A
    EXPECT_STREQ(L"\x3042\x41", fromAnsi.GetString());
    EXPECT_STREQ(L"ab", CString(L"abc", 2).GetString());
    EXPECT_EQ(3, CString(L'x', 3).GetLength());
    EXPECT_TRUE(CString(static_cast<LPCWSTR>(nullptr)).IsEmpty());
    EXPECT_TRUE(CString(static_cast<LPCSTR>(nullptr)).IsEmpty());
    CString moved(std::move(fromAnsi));
    EXPECT_EQ(2, moved.GetLength());
}

TEST(CStringLoad, MissingStringGivesFalseAndEmpty)
{
    CString s(L"old");
    EXPECT_FALSE(s.LoadString(54321));
    EXPECT_TRUE(s.IsEmpty());
}
