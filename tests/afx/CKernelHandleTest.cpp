#include <gtest/gtest.h>

#include "afx/CKernelHandle.h"

namespace {

bool IsOpenHandle(HANDLE h)
{
    DWORD dwFlags = 0;
    return ::GetHandleInformation(h, &dwFlags) != FALSE;
}

TEST(CKernelHandle, ClosesWhatItHoldsAndNothingElse)
{
    HANDLE hFirst = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE hSecond = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, hFirst);
    ASSERT_NE(nullptr, hSecond);
    {
        CKernelHandle handle(hFirst);
        EXPECT_TRUE(handle.IsValid());

        handle.Reset(hFirst);
        EXPECT_TRUE(IsOpenHandle(hFirst)) << "taking the handle already held closed it";

        handle.Reset(hSecond);
        EXPECT_FALSE(IsOpenHandle(hFirst)) << "Reset left the old handle open";
        EXPECT_TRUE(IsOpenHandle(hSecond));
        EXPECT_EQ(hSecond, static_cast<HANDLE>(handle));
    }
    EXPECT_FALSE(IsOpenHandle(hSecond)) << "the end of the scope left the handle open";
}

TEST(CKernelHandle, FailureValuesHoldNothing)
{
    // CreateEvent and its kind fail with NULL, CreateFile with INVALID_HANDLE_VALUE.
    const struct
    {
        const char* pszName;
        HANDLE hValue;
    } cases[] = {
        {"NULL", nullptr},
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE},
    };
    for (const auto& c : cases)
    {
        CKernelHandle handle(c.hValue);
        EXPECT_FALSE(handle.IsValid()) << c.pszName;
    }
    CKernelHandle file(
        ::CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file.IsValid()) << "a failed CreateFileW";
}

}  // namespace
