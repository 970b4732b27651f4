// Copying the previous release's values, against the real registry of the
// test's own prefix.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RegistryMigration.h"

namespace {

typedef std::vector<BYTE> Bytes;

const wchar_t kOld[] = L"Software\\VarnelMigrationTest\\Old";
const wchar_t kNew[] = L"Software\\VarnelMigrationTest\\New";

HKEY Create(const std::wstring& path)
{
    HKEY hKey = NULL;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &hKey, NULL));
    return hKey;
}

void Set(const std::wstring& path, LPCWSTR name, DWORD type, const Bytes& data)
{
    HKEY hKey = Create(path);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hKey, name, 0, type, data.data(),
                                            static_cast<DWORD>(data.size())));
    RegCloseKey(hKey);
}

Bytes Dword(DWORD v)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&v);
    return Bytes(p, p + 4);
}

Bytes Sz(LPCWSTR text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text);
    return Bytes(p, p + (wcslen(text) + 1) * 2);
}

// FALSE when absent.
bool Get(const std::wstring& path, LPCWSTR name, DWORD& type, Bytes& data)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD cb = 0;
    LONG r = RegQueryValueExW(hKey, name, NULL, &type, NULL, &cb);
    if (r == ERROR_SUCCESS)
    {
        data.resize(cb);
        r = RegQueryValueExW(hKey, name, NULL, &type, data.data(), &cb);
    }
    RegCloseKey(hKey);
    return r == ERROR_SUCCESS;
}

bool KeyExists(const std::wstring& path)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

class Migration : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VarnelMigrationTest"); }
    void TearDown() override { SetUp(); }

    BOOL Copy(LPCWSTR exclusion, LPCWSTR section)
    {
        HKEY hOld = Create(kOld);
        HKEY hNew = Create(kNew);
        BOOL bResult = CopyRegistryValues(exclusion, hNew, hOld, section);
        RegCloseKey(hOld);
        RegCloseKey(hNew);
        return bResult;
    }
};

struct VALUECASE
{
    LPCWSTR name;
    DWORD type;
    Bytes data;
    bool copiedWithExclusion;
};

TEST_F(Migration, ExclusionIsASubstringTestOfTheExclusionText)
{
    const std::vector<VALUECASE> cases = {
        {L"SettingInitialized", REG_DWORD, Dword(1), false},
        {L"Init", REG_DWORD, Dword(2), false},
        {L"Setting", REG_SZ, Sz(L"x"), false},
        {L"", REG_SZ, Sz(L"default value"), false},
        {L"initialized", REG_DWORD, Dword(3), true},   // the test is case-sensitive
        {L"SettingInitializedX", REG_DWORD, Dword(4), true},
        {L"Port", REG_DWORD, Dword(60126), true},
        {L"Password", REG_BINARY, Bytes(64, 0xA5), true},
        {L"Destination", REG_SZ, Sz(L"1,\"host\",60125,0"), true},
        {L"Multi", REG_MULTI_SZ, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, true},
        {L"Wide", REG_QWORD, Bytes{1, 2, 3, 4, 5, 6, 7, 8}, true},
        {L"Empty", REG_BINARY, Bytes(), true},
    };
    const std::wstring oldNetwork = std::wstring(kOld) + L"\\Network";
    const std::wstring oldFrame = std::wstring(kOld) + L"\\Frame";
    for (const VALUECASE& c : cases)
    {
        Set(oldNetwork, c.name, c.type, c.data);
        Set(oldFrame, c.name, c.type, c.data);
    }

    EXPECT_TRUE(Copy(L"SettingInitialized", L"Network"));
    EXPECT_TRUE(Copy(NULL, L"Frame"));

    for (const VALUECASE& c : cases)
    {
        for (int withExclusion = 0; withExclusion < 2; ++withExclusion)
        {
            std::wstring path = std::wstring(kNew) + (withExclusion ? L"\\Network" : L"\\Frame");
            SCOPED_TRACE(std::string("value \"") + std::string(c.name, c.name + wcslen(c.name)) +
                         (withExclusion ? "\" with the exclusion" : "\" without exclusion"));
            DWORD type = 0;
            Bytes data;
            bool present = Get(path, c.name, type, data);
            bool expected = withExclusion ? c.copiedWithExclusion : true;
            ASSERT_EQ(expected, present);
            if (present)
            {
                EXPECT_EQ(c.type, type);
                EXPECT_EQ(c.data, data);
            }
        }
    }
}

TEST_F(Migration, ValuesOverOneMegabyteStayBehindAndTheRestIsCopied)
{
    const std::wstring oldSettings = std::wstring(kOld) + L"\\Settings";
    Set(oldSettings, L"A", REG_DWORD, Dword(1));
    Set(oldSettings, L"ExactlyOneMB", REG_BINARY, Bytes(1048576, 0x11));
    Set(oldSettings, L"OverOneMB", REG_BINARY, Bytes(1048577, 0x22));
    Set(oldSettings, L"Z", REG_SZ, Sz(L"after the large one"));

    EXPECT_FALSE(Copy(NULL, L"Settings")) << "a value left behind is reported";

    const std::wstring newSettings = std::wstring(kNew) + L"\\Settings";
    DWORD type;
    Bytes data;
    EXPECT_TRUE(Get(newSettings, L"A", type, data));
    ASSERT_TRUE(Get(newSettings, L"ExactlyOneMB", type, data));
    EXPECT_EQ(1048576u, data.size());
    EXPECT_FALSE(Get(newSettings, L"OverOneMB", type, data));
    ASSERT_TRUE(Get(newSettings, L"Z", type, data));
    EXPECT_EQ(Sz(L"after the large one"), data);
}

TEST_F(Migration, MissingSourceSectionCopiesNothing)
{
    EXPECT_FALSE(Copy(NULL, L"Frame"));
    EXPECT_FALSE(KeyExists(std::wstring(kNew) + L"\\Frame"));
}

TEST_F(Migration, OnlyTheStartThatCreatesTheProductKeyMigrates)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tamberlow");
    const std::wstring oldKey = PREVIOUS_PRODUCT_KEY_PATH;
    const std::wstring newKey = PRODUCT_KEY_PATH;

    // No previous release: a new, empty key.
    EXPECT_EQ(PRODUCT_KEY_CREATED, CreateProductKey());
    EXPECT_EQ(PRODUCT_KEY_EXISTED, CreateProductKey());
    RegDeleteTreeW(HKEY_CURRENT_USER, newKey.c_str());

    Set(oldKey + L"\\Frame", L"Left", REG_DWORD, Dword(10));
    Set(oldKey + L"\\Network", L"Port", REG_DWORD, Dword(60200));
    Set(oldKey + L"\\Network", L"SettingInitialized", REG_DWORD, Dword(1));
    Set(oldKey + L"\\Network", L"Init", REG_DWORD, Dword(1));
    Set(oldKey + L"\\Settings", L"OnStart", REG_DWORD, Dword(2));
    Set(oldKey + L"\\Other", L"Kept", REG_DWORD, Dword(2));

    EXPECT_EQ(PRODUCT_KEY_MIGRATED, CreateProductKey());
    DWORD type;
    Bytes data;
    EXPECT_TRUE(Get(newKey + L"\\Frame", L"Left", type, data));
    EXPECT_TRUE(Get(newKey + L"\\Network", L"Port", type, data));
    EXPECT_EQ(Dword(60200), data);
    EXPECT_FALSE(Get(newKey + L"\\Network", L"SettingInitialized", type, data));
    EXPECT_FALSE(Get(newKey + L"\\Network", L"Init", type, data));
    EXPECT_TRUE(Get(newKey + L"\\Settings", L"OnStart", type, data));
    EXPECT_FALSE(KeyExists(newKey + L"\\Other")) << "only the three sections move";

    // Once the key exists, later changes of the old key stay there.
    Set(oldKey + L"\\Network", L"Server", REG_DWORD, Dword(0));
    EXPECT_EQ(PRODUCT_KEY_EXISTED, CreateProductKey());
    EXPECT_FALSE(Get(newKey + L"\\Network", L"Server", type, data));

    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tamberlow");
}

}  // namespace
