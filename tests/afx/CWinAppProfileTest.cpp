#include <gtest/gtest.h>

#include <vector>

#include "RegistryTestUtil.h"
#include "afx/CWinApp.h"

namespace {

const LPCWSTR kMaker = L"AfxTestMaker";
const LPCWSTR kProduct = L"AfxTestProduct";
const LPCWSTR kMakerPath = L"Software\\AfxTestMaker";
const LPCWSTR kSectionPath = L"Software\\AfxTestMaker\\AfxTestProduct\\Net";

using namespace regtest;

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DeleteKey(kMakerPath);
        app.SetRegistryKey(kMaker);
    }
    void TearDown() override { DeleteKey(kMakerPath); }
    CWinApp app{kProduct};
};

}  // namespace

TEST_F(ProfileTest, KeyNamesAndCurrentApp)
{
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_STREQ(kProduct, app.m_pszAppName);
    EXPECT_STREQ(kMaker, app.m_pszRegistryKey);
    EXPECT_STREQ(kProduct, app.m_pszProfileName);
    EXPECT_TRUE(app.InitInstance());
    EXPECT_EQ(0, app.ExitInstance());
}

TEST_F(ProfileTest, GetProfileIntReadsOnlyDwords)
{
    const DWORD dw = 60125;
    const WCHAR sz[] = L"123";
    const BYTE bin[4] = {1, 0, 0, 0};
    const BYTE shortBin[2] = {1, 0};
    SetValue(kSectionPath, L"Dword", REG_DWORD, &dw, sizeof dw);
    SetValue(kSectionPath, L"Text", REG_SZ, sz, sizeof sz);
    SetValue(kSectionPath, L"Binary", REG_BINARY, bin, sizeof bin);
    SetValue(kSectionPath, L"ShortDword", REG_DWORD, shortBin, sizeof shortBin);
    struct Case
    {
        LPCWSTR section, entry;
        int def;
        UINT expected;
    };
    const Case cases[] = {
        {L"Net", L"Dword", 5, 60125}, {L"Net", L"Text", 5, 5},  // a REG_SZ is not a number
        {L"Net", L"Binary", 5, 5},    {L"Net", L"ShortDword", 5, 5},
        {L"Net", L"Absent", 2, 2},    {L"NoSection", L"Dword", -1, 0xFFFFFFFFu},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, app.GetProfileInt(c.section, c.entry, c.def))
            << "entry " << testing::PrintToString(std::wstring(c.entry));
    EXPECT_FALSE(KeyExists(L"Software\\AfxTestMaker\\AfxTestProduct\\NoSection")) << "a read created a key";
}

TEST_F(ProfileTest, WriteProfileIntStoresDword)
{
    ASSERT_TRUE(app.WriteProfileInt(L"Frame", L"Left", -1));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetValue(L"Software\\AfxTestMaker\\AfxTestProduct\\Frame", L"Left", type, data));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(std::vector<BYTE>({0xFF, 0xFF, 0xFF, 0xFF}), data);
    EXPECT_EQ(-1, static_cast<int>(app.GetProfileInt(L"Frame", L"Left", 0)));
}

TEST_F(ProfileTest, GetProfileStringDefaultOnlyWhenAbsent)
{
    const WCHAR empty[] = L"";
    const WCHAR unterminated[] = {L'a', L'b'};
    const BYTE odd[] = {'x', 0, 'y'};
    const DWORD dw = 1;
    SetValue(kSectionPath, L"Empty", REG_SZ, empty, sizeof empty);
    SetValue(kSectionPath, L"ZeroBytes", REG_SZ, empty, 0);
    SetValue(kSectionPath, L"Unterminated", REG_SZ, unterminated, sizeof unterminated);
    SetValue(kSectionPath, L"OddBytes", REG_SZ, odd, sizeof odd);
    SetValue(kSectionPath, L"Dword", REG_DWORD, &dw, sizeof dw);
    struct Case
    {
        LPCWSTR entry, def, expected;
    };
    const Case cases[] = {
        {L"Empty", L"default", L""},     {L"ZeroBytes", L"default", L""},    {L"Unterminated", L"default", L"ab"},
        {L"OddBytes", L"default", L"x"}, {L"Dword", L"default", L"default"}, {L"Absent", L"default", L"default"},
        {L"Absent", nullptr, L""},
    };
    for (const Case& c : cases)
    {
        CString got = app.GetProfileString(L"Net", c.entry, c.def);
        EXPECT_STREQ(c.expected, got.GetString()) << "entry " << testing::PrintToString(std::wstring(c.entry));
    }
    EXPECT_STREQ(L"d", app.GetProfileString(L"NoSection", L"x", L"d").GetString());
}

TEST_F(ProfileTest, WriteProfileStringStoresDeletesValueAndSection)
{
    ASSERT_TRUE(app.WriteProfileString(L"Net", L"Destination", L"\"\x30DB\x30B9\x30C8\",1"));
    ASSERT_TRUE(app.WriteProfileString(L"Net", L"Other", L""));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetValue(kSectionPath, L"Destination", type, data));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(8u * sizeof(WCHAR), data.size()) << "stored with its terminator";
    EXPECT_STREQ(L"\"\x30DB\x30B9\x30C8\",1", app.GetProfileString(L"Net", L"Destination").GetString());
    EXPECT_STREQ(L"", app.GetProfileString(L"Net", L"Other", L"x").GetString());

    EXPECT_TRUE(app.WriteProfileString(L"Net", L"Destination", nullptr));
    EXPECT_FALSE(GetValue(kSectionPath, L"Destination", type, data));
    EXPECT_TRUE(KeyExists(kSectionPath));
    EXPECT_TRUE(app.WriteProfileString(L"Net", L"Destination", nullptr)) << "deleting an absent value";

    EXPECT_TRUE(app.WriteProfileString(L"Net", nullptr, nullptr));
    EXPECT_FALSE(KeyExists(kSectionPath));
    EXPECT_TRUE(KeyExists(L"Software\\AfxTestMaker\\AfxTestProduct"));
}

TEST_F(ProfileTest, BinaryRoundTripAndTypeCheck)
{
    const BYTE blob[] = {0, 1, 2, 0xFE, 0xFF};
    ASSERT_TRUE(app.WriteProfileBinary(L"Net", L"Password", const_cast<BYTE*>(blob), sizeof blob));
    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(GetValue(kSectionPath, L"Password", type, raw));
    EXPECT_EQ(DWORD(REG_BINARY), type);

    BYTE* p = reinterpret_cast<BYTE*>(1);
    UINT n = 99;
    ASSERT_TRUE(app.GetProfileBinary(L"Net", L"Password", &p, &n));
    ASSERT_EQ(sizeof blob, n);
    EXPECT_EQ(0, memcmp(blob, p, n));
    delete[] p;

    ASSERT_TRUE(app.WriteProfileBinary(L"Net", L"Empty", nullptr, 0));
    p = nullptr;
    EXPECT_TRUE(app.GetProfileBinary(L"Net", L"Empty", &p, &n));
    EXPECT_EQ(0u, n);
    delete[] p;

    const WCHAR sz[] = L"text";
    SetValue(kSectionPath, L"Text", REG_SZ, sz, sizeof sz);
    const LPCWSTR absent[] = {L"Text", L"Absent"};
    for (LPCWSTR entry : absent)
    {
        p = reinterpret_cast<BYTE*>(1);
        n = 99;
        EXPECT_FALSE(app.GetProfileBinary(L"Net", entry, &p, &n)) << testing::PrintToString(std::wstring(entry));
        EXPECT_EQ(nullptr, p);
        EXPECT_EQ(0u, n);
    }
}

TEST_F(ProfileTest, OversizedValueIsTreatedAsAbsent)
{
    std::vector<BYTE> big(16u * 1024 * 1024 + 2, 0x41);
    SetValue(kSectionPath, L"Big", REG_BINARY, big.data(), static_cast<DWORD>(big.size()));
    SetValue(kSectionPath, L"BigText", REG_SZ, big.data(), static_cast<DWORD>(big.size()));
    BYTE* p = nullptr;
    UINT n = 0;
    EXPECT_FALSE(app.GetProfileBinary(L"Net", L"Big", &p, &n));
    EXPECT_EQ(nullptr, p);
    EXPECT_STREQ(L"d", app.GetProfileString(L"Net", L"BigText", L"d").GetString());
}

TEST_F(ProfileTest, UnregisterRemovesProductAndEmptyMakerOnly)
{
    struct Case
    {
        const char* name;
        LPCWSTR siblingKey;  // another key under the maker, or NULL
        LPCWSTR makerValue;  // a value directly under the maker, or NULL
        bool makerRemains;
    };
    const Case cases[] = {
        {"alone", nullptr, nullptr, false},
        {"other product", L"Software\\AfxTestMaker\\OldRelease", nullptr, true},
        {"maker value", nullptr, L"Owner", true},
    };
    for (const Case& c : cases)
    {
        DeleteKey(kMakerPath);
        ASSERT_TRUE(app.WriteProfileInt(L"Net", L"Port", 1));
        ASSERT_TRUE(app.WriteProfileString(L"Settings", L"Formats3", L""));
        if (c.siblingKey)
            SetValue(c.siblingKey, L"Port", REG_DWORD, "\1\0\0\0", 4);
        if (c.makerValue)
            SetValue(kMakerPath, c.makerValue, REG_SZ, L"x", 4);
        EXPECT_TRUE(app.Unregister()) << c.name;
        EXPECT_FALSE(KeyExists(L"Software\\AfxTestMaker\\AfxTestProduct")) << c.name;
        EXPECT_EQ(c.makerRemains, KeyExists(kMakerPath)) << c.name;
        if (c.siblingKey)
        {
            EXPECT_TRUE(KeyExists(c.siblingKey)) << c.name;
        }
    }
    DeleteKey(kMakerPath);
    EXPECT_TRUE(app.Unregister()) << "nothing stored";
}

TEST(ProfileWithoutKey, FailsWithDefaults)
{
    CWinApp app(L"NoKeyApp");
    EXPECT_EQ(7u, app.GetProfileInt(L"S", L"E", 7));
    EXPECT_FALSE(app.WriteProfileInt(L"S", L"E", 1));
    EXPECT_STREQ(L"d", app.GetProfileString(L"S", L"E", L"d").GetString());
    EXPECT_FALSE(app.Unregister());
}

TEST(AppTitle, WithoutNameComesFromModule)
{
    // Test programs carry no string table, so the title is the file name.
    CWinApp app;
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(file.find_last_of(L'\\') + 1);
    file = file.substr(0, file.find_last_of(L'.'));
    EXPECT_STREQ(file.c_str(), app.m_pszAppName);
    EXPECT_EQ(GetModuleHandleW(nullptr), app.m_hInstance);
}
