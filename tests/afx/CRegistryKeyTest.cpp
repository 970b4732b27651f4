#include <gtest/gtest.h>

#include "afx/CRegistryKey.h"

namespace {

const LPCWSTR kTestPath = L"Software\\AfxRegistryKeyTest";

bool IsOpenKey(HKEY hKey)
{
    DWORD nValues = 0;
    return ::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nValues, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
}

class RegistryKeyTest : public ::testing::Test
{
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestPath); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestPath); }
};

TEST_F(RegistryKeyTest, ClosesOnScopeEndAndWhenReopened)
{
    HKEY hCreated = nullptr;
    {
        CRegistryKey key;
        DWORD dwDisposition = 0;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kTestPath, KEY_ALL_ACCESS, &dwDisposition));
        EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), dwDisposition);
        hCreated = key;
        ASSERT_TRUE(IsOpenKey(hCreated));

        // A failed open closes what was held and leaves nothing to close.
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, L"Software\\AfxRegistryKeyTest\\absent", KEY_READ));
        EXPECT_FALSE(IsOpenKey(hCreated)) << "the key held before the failed open is still open";
        EXPECT_EQ(nullptr, static_cast<HKEY>(key));

        ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kTestPath, KEY_READ));
        hCreated = key;
    }
    EXPECT_FALSE(IsOpenKey(hCreated)) << "the end of the scope left the key open";
}

TEST_F(RegistryKeyTest, DetachedKeyStaysOpen)
{
    HKEY hKey = nullptr;
    {
        CRegistryKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kTestPath, KEY_READ));
        hKey = key.Detach();
        EXPECT_EQ(nullptr, static_cast<HKEY>(key));
    }
    EXPECT_TRUE(IsOpenKey(hKey)) << "a detached key was closed";
    ::RegCloseKey(hKey);
}

}  // namespace
