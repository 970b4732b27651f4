// The capture on the real clipboard of the test's own display.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CClipboardCapture.h"

namespace {

void PutBlock(UINT nFormat, const void* pData, size_t nSize)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, nSize);
    ASSERT_NE(nullptr, h);
    memcpy(GlobalLock(h), pData, nSize);
    GlobalUnlock(h);
    ASSERT_NE(nullptr, SetClipboardData(nFormat, h)) << "format " << nFormat;
}

// Replaces the clipboard with Unicode text, optionally HTML and the marker.
void SetClipboard(const wchar_t* text, bool bHtml, UINT nMarker)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    if (nMarker)
    {
        BYTE marker = 1;
        PutBlock(nMarker, &marker, 1);
    }
    PutBlock(CF_UNICODETEXT, text, (wcslen(text) + 1) * sizeof(wchar_t));
    if (bHtml)
        PutBlock(RegisterClipboardFormatW(L"HTML Format"), "<b>x</b>", 8);
    ASSERT_TRUE(CloseClipboard());
}

class CaptureRealClipboard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_nInternal = RegisterClipboardFormatW(L"LarkspireBrinmoor2Internal");
        m_arrSendFormats.Add(L"HTML Format");
    }

    CClipboardCapture::RESULT Capture() { return m_capture.Capture(nullptr, m_nInternal, TRUE, 4, m_arrSendFormats); }

    UINT m_nInternal = 0;
    CStringArray m_arrSendFormats;
    CClipboardReader m_reader;
    CClipboardCapture m_capture{m_reader};
};

TEST_F(CaptureRealClipboard, TextAndHtml)
{
    SetClipboard(L"日本語のテキスト", true, 0);
    ASSERT_EQ(CClipboardCapture::CAPTURE_DONE, Capture());

    // Unicode text first (it was put first), then HTML as a placeholder; the
    // ANSI text the system offers beside it gets no record.
    const CBDFArray& set = *m_capture.m_pRecords;
    ASSERT_EQ(2, set.GetCount());
    const CBDF* text = set.GetAt(0);
    EXPECT_EQ(static_cast<UINT>(CF_UNICODETEXT), text->m_nFormat);
    ASSERT_GE(text->m_nSize, 18u);
    EXPECT_STREQ(L"日本語のテキスト", reinterpret_cast<const wchar_t*>(text->m_pData));
    const CBDF* html = set.GetAt(1);
    EXPECT_STREQ(L"HTML Format", html->m_strName.GetString());
    EXPECT_EQ(0u, html->m_nSize);
    ASSERT_EQ(1, m_capture.m_arrSeenFormats.GetSize());
    EXPECT_STREQ(L"HTML Format", m_capture.m_arrSeenFormats[0].GetString());

    // The clipboard was closed again: this thread can open and empty it.
    ASSERT_TRUE(OpenClipboard(nullptr));
    CloseClipboard();
}

TEST_F(CaptureRealClipboard, OwnReceiversContentsAreNotSentBack)
{
    SetClipboard(L"echo", true, m_nInternal);
    EXPECT_EQ(CClipboardCapture::CAPTURE_OWN_CONTENTS, Capture());
    EXPECT_TRUE(m_capture.m_pRecords.IsNull());
}

DWORD WINAPI HoldClipboard(LPVOID pParam)
{
    HANDLE* events = static_cast<HANDLE*>(pParam);
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    BOOL bOpen = OpenClipboard(hWnd);
    SetEvent(events[0]);
    WaitForSingleObject(events[1], 10000);
    if (bOpen)
        CloseClipboard();
    DestroyWindow(hWnd);
    return bOpen ? 0 : 1;
}

TEST_F(CaptureRealClipboard, ClipboardHeldByAnotherWindow)
{
    SetClipboard(L"held", false, 0);
    HANDLE events[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE hThread = CreateThread(nullptr, 0, HoldClipboard, events, 0, nullptr);
    WaitForSingleObject(events[0], 10000);

    EXPECT_EQ(CClipboardCapture::CAPTURE_OPEN_FAILED, Capture());

    SetEvent(events[1]);
    WaitForSingleObject(hThread, 10000);
    DWORD dwExit = 1;
    GetExitCodeThread(hThread, &dwExit);
    EXPECT_EQ(0u, dwExit) << "the other thread could not hold the clipboard";
    CloseHandle(hThread);
    CloseHandle(events[0]);
    CloseHandle(events[1]);

    EXPECT_EQ(CClipboardCapture::CAPTURE_DONE, Capture()) << "free again";
}

}  // namespace
