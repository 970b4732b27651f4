#include <gtest/gtest.h>

#include "afx/COpenedClipboard.h"

namespace {

class OpenedClipboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hWnd =
            ::CreateWindowExW(0, L"STATIC", L"clipboard owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_hWnd);
    }
    void TearDown() override
    {
        if (::GetOpenClipboardWindow() == m_hWnd)
            ::CloseClipboard();
        ::DestroyWindow(m_hWnd);
    }

    HWND m_hWnd = nullptr;
};

TEST_F(OpenedClipboardTest, ClosesOnlyWhatItOpened)
{
    {
        COpenedClipboard clipboard;
        ASSERT_TRUE(clipboard.Open(m_hWnd));
        EXPECT_TRUE(clipboard.IsOpen());
        EXPECT_EQ(m_hWnd, ::GetOpenClipboardWindow());
    }
    EXPECT_EQ(nullptr, ::GetOpenClipboardWindow()) << "the end of the scope left the clipboard open";

    {
        COpenedClipboard clipboard;
        ASSERT_TRUE(clipboard.Open(m_hWnd));
        clipboard.Close();
        EXPECT_FALSE(clipboard.IsOpen());
        // Opened again by other means: that opening is not this object's.
        ASSERT_TRUE(::OpenClipboard(m_hWnd));
    }
    EXPECT_EQ(m_hWnd, ::GetOpenClipboardWindow()) << "a clipboard closed once was closed again";
}

}  // namespace
