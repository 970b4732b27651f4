#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/QuotedList.h"

namespace {

typedef std::vector<std::wstring> Items;

// Readable form of a list for failure messages: [a|b|] with control chars escaped.
std::string Show(const Items& items)
{
    std::string s = "[";
    for (size_t i = 0; i < items.size(); ++i)
    {
        if (i > 0)
            s += "|";
        for (wchar_t ch : items[i])
        {
            if (ch >= 0x20 && ch < 0x7F)
                s += static_cast<char>(ch);
            else
            {
                char buf[16];
                snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(ch));
                s += buf;
            }
        }
    }
    return s + "]";
}

std::string Show(const std::wstring& text) { return Show(Items{text}); }

Items ToItems(const CStringArray& arr)
{
    Items items;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        items.push_back(std::wstring(arr[i].GetString(), static_cast<size_t>(arr[i].GetLength())));
    return items;
}

void ToArray(const Items& items, CStringArray& arr)
{
    arr.RemoveAll();
    for (const std::wstring& s : items)
        arr.Add(CString(s.c_str(), static_cast<int>(s.size())));
}

std::wstring ToStd(const CString& s) { return std::wstring(s.GetString(), static_cast<size_t>(s.GetLength())); }

struct SplitCase
{
    const wchar_t* pszText;
    const wchar_t* pszSeparator;
    Items expected;
};

TEST(SplitQuotedList, SplitsOutsideQuotesForEachCase)
{
    const SplitCase cases[] = {
        {L"", L",", {}},
        {L"a", L",", {L"a"}},
        {L"a,,b", L",", {L"a", L"", L"b"}},
        {L",", L",", {L""}},
        {L",,", L",", {L"", L""}},
        {L",a", L",", {L"", L"a"}},
        {L"a,b,", L",", {L"a", L"b"}},
        {L" a , b ", L",", {L" a ", L" b "}},
        {L"\"a,b\",c", L",", {L"\"a,b\"", L"c"}},
        {L"\"a\"\"b,c\",d", L",", {L"\"a\"\"b,c\"", L"d"}},
        {L"ab\"c,d\"e,f", L",", {L"ab\"c,d\"e", L"f"}},
        {L"x,\"open,no,close", L",", {L"x", L"\"open,no,close"}},
        {L"\"a\";", L";", {L"\"a\""}},
        {L"1,\"x;y\",2;0,\"z\",3", L";", {L"1,\"x;y\",2", L"0,\"z\",3"}},
        {L"a;;b;", L";", {L"a", L"", L"b"}},
        {L"a, b,c", L", ", {L"a", L"b,c"}},
        {L"a,", L", ", {L"a,"}},
        {L"あ\x3000い,う", L",", {L"あ\x3000い", L"う"}},
        {L"a,b", L"", {L"a,b"}},
    };
    for (const SplitCase& c : cases)
    {
        CStringArray arr;
        arr.Add(CString(L"left over"));
        SplitQuotedList(CString(c.pszText), c.pszSeparator, arr);
        EXPECT_EQ(Show(c.expected), Show(ToItems(arr)))
            << "text " << Show(c.pszText) << " separator " << Show(c.pszSeparator);
    }
}

TEST(UnquoteString, TrimsAndUnquotesForEachCase)
{
    const struct
    {
        const wchar_t* pszIn;
        const wchar_t* pszOut;
    } cases[] = {
        {L"", L""},
        {L"   ", L""},
        {L"  name  ", L"name"},
        {L"\t\r\n x y \t", L"x y"},
        {L"a\"b", L"a\"b"},
        {L"\"\"", L""},
        {L"\"", L""},
        {L"\" a \"", L" a "},
        {L"  \"x\"  ", L"x"},
        {L"\"a\"\"b\"", L"a\"b"},
        {L"\"\"\"\"", L"\""},
        {L"\"abc\"def", L"abcdef"},
        {L"\"a\"b\"", L"ab"},
        {L"\"unclosed", L"unclosed"},
        {L"\"あ\x3000い\"", L"あ\x3000い"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Show(c.pszOut), Show(ToStd(UnquoteString(CString(c.pszIn))))) << "input " << Show(c.pszIn);
}

TEST(QuoteString, DoublesInnerQuotes)
{
    const struct
    {
        const wchar_t* pszIn;
        const wchar_t* pszOut;
    } cases[] = {
        {L"", L"\"\""}, {L"PNG", L"\"PNG\""}, {L"a\"b", L"\"a\"\"b\""}, {L"\"", L"\"\"\"\""}, {L" , ; ", L"\" , ; \""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Show(c.pszOut), Show(ToStd(QuoteString(CString(c.pszIn))))) << "input " << Show(c.pszIn);
}

TEST(JoinStrings, JoinsNeighboursWithTheSeparator)
{
    const struct
    {
        Items items;
        const wchar_t* pszSeparator;
        const wchar_t* pszOut;
    } cases[] = {
        {{}, L",", L""},          {{L"a"}, L",", L"a"},   {{L"a", L"b", L"c"}, L";", L"a;b;c"},
        {{L"", L""}, L",", L","}, {{L"", L""}, L"", L""}, {{L"a", L"", L"b"}, L",  ", L"a,  ,  b"},
    };
    for (const auto& c : cases)
    {
        CStringArray arr;
        ToArray(c.items, arr);
        EXPECT_EQ(Show(c.pszOut), Show(ToStd(JoinStrings(arr, c.pszSeparator)))) << "items " << Show(c.items);
    }
}

// The writer's and reader's sides as the settings use them.
CString WriteList(const Items& items, LPCWSTR pszSeparator)
{
    CStringArray arr;
    for (const std::wstring& s : items)
        arr.Add(QuoteString(CString(s.c_str(), static_cast<int>(s.size()))));
    return JoinStrings(arr, pszSeparator);
}

Items ReadList(const CString& text, LPCWSTR pszSeparator)
{
    CStringArray arr;
    SplitQuotedList(text, pszSeparator, arr);
    Items items;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        items.push_back(ToStd(UnquoteString(arr[i])));
    return items;
}

TEST(QuotedListRoundTrip, ChosenListsComeBackItemForItem)
{
    const Items lists[] = {
        {},
        {L""},
        {L"", L""},
        {L"\""},
        {L"\"\""},
        {L" "},
        {L" a ", L"\tb\r\n"},
        {L",", L";", L", "},
        {L"\"a,b\"", L"c\"", L"\"d"},
        {L"HTML Format", L"Rich Text Format", L"Art::GVML ClipFormat"},
        {L"\x3000名前\x3000", L"あ,い;う", L"\x3000"},
    };
    for (const wchar_t* pszSeparator : {L",", L";", L", "})
    {
        for (const Items& items : lists)
        {
            CString text = WriteList(items, pszSeparator);
            EXPECT_EQ(Show(items), Show(ReadList(text, pszSeparator)))
                << "separator " << Show(pszSeparator) << " text " << Show(ToStd(text));
        }
    }
}

TEST(QuotedListRoundTrip, GeneratedListsComeBackItemForItem)
{
    // Items drawn from the characters that matter to the format: separators,
    // quotes, blanks, line ends, Japanese and the ideographic space.
    const wchar_t alphabet[] = L"a,;\" \t\r\nあ\x3000Z";
    const size_t nAlphabet = wcslen(alphabet);
    unsigned int state = 12345;
    auto next = [&state](unsigned int n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    for (int round = 0; round < 3000; ++round)
    {
        Items items(next(6));
        for (std::wstring& item : items)
        {
            item.resize(next(7));
            for (wchar_t& ch : item)
                ch = alphabet[next(static_cast<unsigned int>(nAlphabet))];
        }
        const wchar_t* pszSeparator = (round % 3 == 0) ? L"," : (round % 3 == 1) ? L";" : L", ";
        CString text = WriteList(items, pszSeparator);
        Items back = ReadList(text, pszSeparator);
        ASSERT_EQ(Show(items), Show(back)) << "round " << round << " text " << Show(ToStd(text));
    }
}

TEST(QuotedListRoundTrip, EmptyListIsStoredEmptyAndReadBackEmpty)
{
    CStringArray arr;
    CString text = JoinStrings(arr, L",");
    EXPECT_TRUE(text.IsEmpty());
    CStringArray back;
    SplitQuotedList(text, L",", back);
    EXPECT_EQ(0, back.GetSize());
}

struct NameCase
{
    Items list;
    const wchar_t* pszName;
    BOOL bContained;
    Items afterRemove;
};

TEST(StringArrayNames, ContainsAndRemoveFoldOnlyAsciiCapitals)
{
    const NameCase cases[] = {
        {{}, L"png", FALSE, {}},
        {{L"PNG"}, L"png", TRUE, {}},
        {{L"GIF", L"PNG"}, L"Png", TRUE, {L"GIF"}},
        {{L"PNG", L"GIF", L"png"}, L"pNg", TRUE, {L"GIF"}},
        {{L"PNG"}, L"PN", FALSE, {L"PNG"}},
        {{L"PN"}, L"PNG", FALSE, {L"PN"}},
        // Full-width and accented letters are not folded.
        {{L"ＰＮＧ"}, L"ｐｎｇ", FALSE, {L"ＰＮＧ"}},
        {{L"ＰＮＧ"}, L"PNG", FALSE, {L"ＰＮＧ"}},
        {{L"É"}, L"é", FALSE, {L"É"}},
        {{L"[a]"}, L"{A}", FALSE, {L"[a]"}},
        {{L"", L"x"}, L"", TRUE, {L"x"}},
    };
    for (const NameCase& c : cases)
    {
        CStringArray arr;
        ToArray(c.list, arr);
        EXPECT_EQ(c.bContained, StringArrayContains(arr, c.pszName)) << Show(c.list) << " name " << Show(c.pszName);
        EXPECT_EQ(c.bContained, StringArrayRemove(arr, c.pszName)) << Show(c.list) << " name " << Show(c.pszName);
        EXPECT_EQ(Show(c.afterRemove), Show(ToItems(arr))) << Show(c.list) << " name " << Show(c.pszName);
    }
}

}  // namespace
