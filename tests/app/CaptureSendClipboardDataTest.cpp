// The main frame's capture of one copy on the real clipboard, with the
// application's live settings and no destination: what it logs, what it
// returns and what it publishes as the formats seen.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CBrinmoorApp.h"
#include "app/CMainFrame.h"
#include "app/EventLog.h"
#include "net/CDestinationDataArray.h"

namespace {

const wchar_t kNothingSent[] = L"【送信なし】送信先が設定されていません。";
const wchar_t kNoFormat[] = L"【送信エラー】クリップボードに転送可能なフォーマットのデータがありません。";

std::vector<std::wstring> TakeLog()
{
    std::vector<std::wstring> lines;
    while (CString* pLine = LogQueue.Pop())
    {
        lines.push_back(pLine->GetString());
        delete pLine;
    }
    return lines;
}

void Put(UINT nFormat, const void* pData, size_t nSize)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, nSize);
    memcpy(GlobalLock(h), pData, nSize);
    GlobalUnlock(h);
    SetClipboardData(nFormat, h);
}

struct BLOCK
{
    const wchar_t* format;  // a registered name, or NULL for Unicode text
    std::string bytes;
};

void SetClipboard(const std::vector<BLOCK>& blocks)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    for (const BLOCK& b : blocks)
    {
        if (b.format == nullptr)
        {
            std::wstring text(b.bytes.begin(), b.bytes.end());
            Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        }
        else
        {
            Put(RegisterClipboardFormatW(b.format), b.bytes.data(), b.bytes.size());
        }
    }
    CloseClipboard();
}

std::vector<std::wstring> Seen()
{
    CSingleLock lock(&theApp.m_mutexSeenFormats, TRUE);
    std::vector<std::wstring> names;
    for (INT_PTR i = 0; i < theApp.m_arrSeenFormats.GetSize(); ++i)
        names.push_back(theApp.m_arrSeenFormats[i].GetString());
    return names;
}

class CaptureSendClipboardData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        theApp.m_nInternalFormat = RegisterClipboardFormatW(L"LarkspireBrinmoor2Internal");
        theApp.m_bDelay = TRUE;
        theApp.m_nNoDelayText = 4;
        delete theApp.m_pDestinations;
        theApp.m_pDestinations = CDestinationDataArray::FromString(L"");
        theApp.m_arrSendFormats.RemoveAll();
        theApp.m_arrSendFormats.Add(L"HTML Format");
        theApp.m_arrSeenFormats.RemoveAll();
        theApp.m_arrSeenFormats.Add(L"from the copy before");
        TakeLog();
    }

    CMainFrame m_frame;  // no window: the capture opens the clipboard without an owner
};

struct CASE
{
    const char* what;
    std::vector<BLOCK> clipboard;
    const wchar_t* logLine;  // NULL: nothing logged
    std::vector<std::wstring> seen;
};

TEST_F(CaptureSendClipboardData, LogsAndPublishesPerCopy)
{
    const std::vector<std::wstring> before = {L"from the copy before"};
    const std::vector<CASE> cases = {
        {"text with records: handed to the sender start, which finds no destination",
         {{nullptr, "hello"}, {L"HTML Format", "<b>"}, {L"Private Stuff", "x"}},
         kNothingSent,
         {L"HTML Format", L"Private Stuff"}},
        {"nothing that travels: the send-error line; the seen list is replaced",
         {{L"Private Stuff", "x"}},
         kNoFormat,
         {L"Private Stuff"}},
        {"this computer's receiver put it there: nothing logged, seen list kept",
         {{nullptr, "echo"}, {L"LarkspireBrinmoor2Internal", "\x01"}, {L"Private Stuff", "x"}},
         nullptr,
         before},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetUp();
        SetClipboard(c.clipboard);
        EXPECT_EQ(TRUE, m_frame.SendClipboardData());
        std::vector<std::wstring> log = TakeLog();
        if (c.logLine == nullptr)
        {
            EXPECT_EQ(0u, log.size()) << "first line: " << (log.empty() ? 0 : log[0].size());
        }
        else
        {
            ASSERT_EQ(1u, log.size());
            EXPECT_NE(std::wstring::npos, log[0].find(c.logLine));
        }
        EXPECT_TRUE(c.seen == Seen()) << Seen().size() << " names seen";
    }
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
    return 0;
}

TEST_F(CaptureSendClipboardData, ClipboardHeldElsewhereIsRetriedLater)
{
    SetClipboard({{nullptr, "held"}});
    HANDLE events[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE hThread = CreateThread(nullptr, 0, HoldClipboard, events, 0, nullptr);
    WaitForSingleObject(events[0], 10000);

    EXPECT_EQ(FALSE, m_frame.SendClipboardData());
    EXPECT_EQ(0u, TakeLog().size());
    EXPECT_TRUE(std::vector<std::wstring>{L"from the copy before"} == Seen());

    SetEvent(events[1]);
    WaitForSingleObject(hThread, 10000);
    CloseHandle(hThread);
    CloseHandle(events[0]);
    CloseHandle(events[1]);
    EXPECT_EQ(TRUE, m_frame.SendClipboardData());
    EXPECT_EQ(1u, TakeLog().size());
}

}  // namespace
