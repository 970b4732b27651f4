#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/CDestinationDataArray.h"

namespace {

struct Dest
{
    int bEnabled;
    std::wstring name;
    int nPort;
    int nProtocol;
};

std::string Show(const std::wstring& s)
{
    std::string out;
    for (wchar_t ch : s)
    {
        if (ch >= 0x20 && ch < 0x7F)
            out += static_cast<char>(ch);
        else
        {
            char buf[16];
            snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(ch));
            out += buf;
        }
    }
    return out;
}

std::string Show(const std::vector<Dest>& list)
{
    std::string out = "[";
    for (const Dest& d : list)
        out += "{" + std::to_string(d.bEnabled) + "," + Show(d.name) + "," + std::to_string(d.nPort) + "," +
               std::to_string(d.nProtocol) + "}";
    return out + "]";
}

std::vector<Dest> ToList(const CDestinationDataArray& arr)
{
    std::vector<Dest> list;
    for (INT_PTR i = 0; i < arr.m_arrDestinations.GetSize(); ++i)
    {
        const CDestinationData* p = arr.m_arrDestinations[i];
        list.push_back({p->m_bEnabled,
                        std::wstring(p->m_strName.GetString(), static_cast<size_t>(p->m_strName.GetLength())),
                        p->m_nPort, p->m_nProtocol});
    }
    return list;
}

void FillArray(const std::vector<Dest>& list, CDestinationDataArray& arr)
{
    for (const Dest& d : list)
    {
        CDestinationData* p = new CDestinationData;
        p->m_bEnabled = d.bEnabled;
        p->m_strName = CString(d.name.c_str(), static_cast<int>(d.name.size()));
        p->m_nPort = d.nPort;
        p->m_nProtocol = d.nProtocol;
        arr.m_arrDestinations.Add(p);
    }
}

TEST(CDestinationData, FreshDestinationIsEnabledWithNoNameAndPortZero)
{
    CDestinationData d;
    EXPECT_EQ(1, d.m_bEnabled);
    EXPECT_TRUE(d.m_strName.IsEmpty());
    EXPECT_EQ(0, d.m_nPort);
    EXPECT_EQ(0, d.m_nProtocol);
}

TEST(CDestinationDataArray, ParsesTheSettingTextForEachCase)
{
    const struct
    {
        const wchar_t* pszText;
        std::vector<Dest> expected;
    } cases[] = {
        {L"", {}},
        {L";", {}},
        {L"1,\"pc-a\",60125,0", {{1, L"pc-a", 60125, 0}}},
        {L"0,\"192.168.0.2\",60126,1;1,\"pc-b\",60125,0", {{0, L"192.168.0.2", 60126, 1}, {1, L"pc-b", 60125, 0}}},
        // Plain name, three fields: blanks trimmed, protocol 0.
        {L"1,  plain name\t,60125", {{1, L"plain name", 60125, 0}}},
        // Two fields: skipped, the neighbours still count.
        {L"1,\"a\",1,0;1,\"short\";0,\"c\",3,0", {{1, L"a", 1, 0}, {0, L"c", 3, 0}}},
        // Trailing ";" and an empty record add nothing.
        {L"1,\"a\",1,0;;0,\"b\",2,1;", {{1, L"a", 1, 0}, {0, L"b", 2, 1}}},
        {L"2,\"x\",5,0", {{2, L"x", 5, 0}}},
        // Separators and quotes inside the quoted name.
        {L"1,\"na,me;x\"\"y\",7,1", {{1, L"na,me;x\"y", 7, 1}}},
        {L"1,\" padded \",7,0", {{1, L" padded ", 7, 0}}},
        // Numbers read like _wtol; a fifth field is ignored.
        {L" 12abc,\"h\", 60125x ,1,junk", {{12, L"h", 60125, 1}}},
        {L"x,\"h\",,\"\"", {{0, L"h", 0, 0}}},
        {L"-5,\"h\",99999,3", {{-5, L"h", 99999, 3}}},
        {L"1,\"\",0,0", {{1, L"", 0, 0}}},
        {L"1,\"日本\x3000語\",60125,0", {{1, L"日本\x3000語", 60125, 0}}},
        // An unclosed quote swallows the rest; what is left has too few fields.
        {L"1,\"open;0,\"b\",2,0", {}},
    };
    for (const auto& c : cases)
    {
        std::unique_ptr<CDestinationDataArray> pArray(CDestinationDataArray::FromString(CString(c.pszText)));
        ASSERT_TRUE(pArray != nullptr);
        EXPECT_EQ(Show(c.expected), Show(ToList(*pArray))) << "text " << Show(c.pszText);
    }
}

TEST(CDestinationData, RecordWithTooFewFieldsIsNull)
{
    for (const wchar_t* pszRecord : {L"", L"1", L"1,\"a\"", L"1,\"a,b,c\""})
        EXPECT_TRUE(CDestinationData::FromString(CString(pszRecord)) == nullptr) << Show(pszRecord);
}

TEST(DestinationListToString, WritesFlagsAsDigitsAndNamesQuoted)
{
    const struct
    {
        std::vector<Dest> list;
        const wchar_t* pszText;
    } cases[] = {
        {{}, L""},
        {{{1, L"pc-a", 60125, 0}}, L"1,\"pc-a\",60125,0"},
        {{{2, L"a\"b", 60125, 0}, {0, L"c,d;e", -1, 1}}, L"1,\"a\"\"b\",60125,0;0,\"c,d;e\",-1,1"},
        {{{-7, L"", 0, 0}}, L"1,\"\",0,0"},
    };
    for (const auto& c : cases)
    {
        CDestinationDataArray arr;
        FillArray(c.list, arr);
        CString text = DestinationListToString(&arr);
        EXPECT_EQ(Show(c.pszText), Show(std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()))))
            << Show(c.list);
    }
}

TEST(DestinationListToString, NoListWritesTheEmptyText)
{
    EXPECT_TRUE(DestinationListToString(nullptr).IsEmpty());
    EXPECT_TRUE(DestinationToString(nullptr).IsEmpty());
}

TEST(DestinationListToString, WriteThenParseGivesTheSameList)
{
    const wchar_t alphabet[] = L"a,;\" \t.あ\x3000-1";
    const size_t nAlphabet = wcslen(alphabet);
    unsigned int state = 777;
    auto next = [&state](unsigned int n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    for (int round = 0; round < 1000; ++round)
    {
        std::vector<Dest> list(next(5));
        for (Dest& d : list)
        {
            d.bEnabled = static_cast<int>(next(2));
            d.name.resize(next(8));
            for (wchar_t& ch : d.name)
                ch = alphabet[next(static_cast<unsigned int>(nAlphabet))];
            d.nPort = static_cast<int>(next(70000));
            d.nProtocol = static_cast<int>(next(2));
        }
        CDestinationDataArray arr;
        FillArray(list, arr);
        CString text = DestinationListToString(&arr);
        std::unique_ptr<CDestinationDataArray> pBack(CDestinationDataArray::FromString(text));
        ASSERT_EQ(Show(list), Show(ToList(*pBack)))
            << "round " << round << " text "
            << Show(std::wstring(text.GetString(), static_cast<size_t>(text.GetLength())));
    }
}

TEST(CDestinationData, ListTextIsNamePortAndATrailingBlank)
{
    CDestinationData d;
    d.m_strName = L"pc-a";
    d.m_nPort = 60125;
    CString text = d.GetListText();
    EXPECT_EQ(Show(L"pc-a : 60125 "), Show(std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()))));
}

}  // namespace
