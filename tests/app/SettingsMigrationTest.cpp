// Copying the previous release's values, against the real registry of the
// test's own prefix.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegistryTestUtil.h"
#include "app/RegistryMigration.h"

namespace {

using namespace regtest;

const wchar_t kOld[] = L"Software\\VarnelMigrationTest\\Old";
const wchar_t kNew[] = L"Software\\VarnelMigrationTest\\New";

class Migration : public ::testing::Test
{
protected:
    void SetUp() override { DeleteKey(L"Software\\VarnelMigrationTest"); }
    void TearDown() override { SetUp(); }

    BOOL Copy(LPCWSTR exclusion, LPCWSTR section)
    {
        HKEY hOld = CreateKey(kOld);
        HKEY hNew = CreateKey(kNew);
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
        {L"SettingInitialized", REG_DWORD, DwordBytes(1), false},
        {L"Init", REG_DWORD, DwordBytes(2), false},
        {L"Setting", REG_SZ, SzBytes(L"x"), false},
        {L"", REG_SZ, SzBytes(L"default value"), false},
        {L"initialized", REG_DWORD, DwordBytes(3), true},  // the test is case-sensitive
        {L"SettingInitializedX", REG_DWORD, DwordBytes(4), true},
        {L"Port", REG_DWORD, DwordBytes(60126), true},
        {L"Password", REG_BINARY, Bytes(64, 0xA5), true},
        {L"Destination", REG_SZ, SzBytes(L"1,\"host\",60125,0"), true},
        {L"Multi", REG_MULTI_SZ, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, true},
        {L"Wide", REG_QWORD, Bytes{1, 2, 3, 4, 5, 6, 7, 8}, true},
        {L"Empty", REG_BINARY, Bytes(), true},
    };
    const std::wstring oldNetwork = std::wstring(kOld) + L"\\Network";
    const std::wstring oldFrame = std::wstring(kOld) + L"\\Frame";
    for (const VALUECASE& c : cases)
    {
        SetValue(oldNetwork, c.name, c.type, c.data);
        SetValue(oldFrame, c.name, c.type, c.data);
    }

    EXPECT_TRUE(Copy(L"SettingInitialized", L"Network"));
    EXPECT_TRUE(Copy(nullptr, L"Frame"));

    for (const VALUECASE& c : cases)
    {
        for (int withExclusion = 0; withExclusion < 2; ++withExclusion)
        {
            std::wstring path = std::wstring(kNew) + (withExclusion ? L"\\Network" : L"\\Frame");
            SCOPED_TRACE(std::string("value \"") + std::string(c.name, c.name + wcslen(c.name)) +
                         (withExclusion ? "\" with the exclusion" : "\" without exclusion"));
            DWORD type = 0;
            Bytes data;
            bool present = GetValue(path, c.name, type, data);
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
    SetValue(oldSettings, L"A", REG_DWORD, DwordBytes(1));
    SetValue(oldSettings, L"ExactlyOneMB", REG_BINARY, Bytes(1048576, 0x11));
    SetValue(oldSettings, L"OverOneMB", REG_BINARY, Bytes(1048577, 0x22));
    SetValue(oldSettings, L"Z", REG_SZ, SzBytes(L"after the large one"));

    EXPECT_FALSE(Copy(nullptr, L"Settings")) << "a value left behind is reported";

    const std::wstring newSettings = std::wstring(kNew) + L"\\Settings";
    DWORD type;
    Bytes data;
    EXPECT_TRUE(GetValue(newSettings, L"A", type, data));
    ASSERT_TRUE(GetValue(newSettings, L"ExactlyOneMB", type, data));
    EXPECT_EQ(1048576u, data.size());
    EXPECT_FALSE(GetValue(newSettings, L"OverOneMB", type, data));
    ASSERT_TRUE(GetValue(newSettings, L"Z", type, data));
    EXPECT_EQ(SzBytes(L"after the large one"), data);
}

TEST_F(Migration, MissingSourceSectionCopiesNothing)
{
    EXPECT_FALSE(Copy(nullptr, L"Frame"));
    EXPECT_FALSE(KeyExists(std::wstring(kNew) + L"\\Frame"));
}

TEST_F(Migration, OnlyTheStartThatCreatesTheProductKeyMigrates)
{
    DeleteKey(L"Software\\Tamberlow");
    const std::wstring oldKey = PREVIOUS_PRODUCT_KEY_PATH;
    const std::wstring newKey = PRODUCT_KEY_PATH;

    // No previous release: a new, empty key.
    EXPECT_EQ(PRODUCT_KEY_CREATED, CreateProductKey());
    EXPECT_EQ(PRODUCT_KEY_EXISTED, CreateProductKey());
    DeleteKey(newKey);

    SetValue(oldKey + L"\\Frame", L"Left", REG_DWORD, DwordBytes(10));
    SetValue(oldKey + L"\\Network", L"Port", REG_DWORD, DwordBytes(60200));
    SetValue(oldKey + L"\\Network", L"SettingInitialized", REG_DWORD, DwordBytes(1));
    SetValue(oldKey + L"\\Network", L"Init", REG_DWORD, DwordBytes(1));
    SetValue(oldKey + L"\\Settings", L"OnStart", REG_DWORD, DwordBytes(2));
    SetValue(oldKey + L"\\Other", L"Kept", REG_DWORD, DwordBytes(2));

    EXPECT_EQ(PRODUCT_KEY_MIGRATED, CreateProductKey());
    DWORD type;
    Bytes data;
    EXPECT_TRUE(GetValue(newKey + L"\\Frame", L"Left", type, data));
    EXPECT_TRUE(GetValue(newKey + L"\\Network", L"Port", type, data));
    EXPECT_EQ(DwordBytes(60200), data);
    EXPECT_FALSE(GetValue(newKey + L"\\Network", L"SettingInitialized", type, data));
    EXPECT_FALSE(GetValue(newKey + L"\\Network", L"Init", type, data));
    EXPECT_TRUE(GetValue(newKey + L"\\Settings", L"OnStart", type, data));
    EXPECT_FALSE(KeyExists(newKey + L"\\Other")) << "only the three sections move";

    // Once the key exists, later changes of the old key stay there.
    SetValue(oldKey + L"\\Network", L"Server", REG_DWORD, DwordBytes(0));
    EXPECT_EQ(PRODUCT_KEY_EXISTED, CreateProductKey());
    EXPECT_FALSE(GetValue(newKey + L"\\Network", L"Server", type, data));

    DeleteKey(L"Software\\Tamberlow");
}

}  // namespace
