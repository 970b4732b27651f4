// The main dialog on its own parent window: the event log and its trimming,
// the status lines, the anchored layout, the keys it ignores.
#include <gtest/gtest.h>

#include <string>

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "res/resource.h"
#include "ui/CMainDialog.h"

namespace {

// Lines of exactly nLineLength characters ("x...x\r\n") up to nLength characters.
std::wstring Lines(int nLength, int nLineLength = 100)
{
    std::wstring text;
    while ((int)text.size() + nLineLength <= nLength)
        text += std::wstring(nLineLength - 2, L'x') + L"\r\n";
    text += std::wstring(nLength - text.size(), L'y');
    return text;
}

std::wstring Text(HWND hWnd)
{
    int n = GetWindowTextLengthW(hWnd);
    std::wstring text(n + 1, L'\0');
    GetWindowTextW(hWnd, &text[0], n + 1);
    text.resize(n);
    return text;
}

CRect ChildRect(HWND hDialog, int nID)
{
    CRect rc;
    GetWindowRect(GetDlgItem(hDialog, nID), &rc);
    MapWindowPoints(nullptr, hDialog, (LPPOINT)&rc, 2);
    return rc;
}

class CMainDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(
            m_parent.CreateEx(0, AfxRegisterWndClass(0), L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, nullptr, nullptr));
        m_pDialog = new CMainDialog(&m_parent);
        ASSERT_TRUE(m_pDialog->Create(IDD_MAIN_DIALOG, &m_parent));
        m_hLog = GetDlgItem(m_pDialog->m_hWnd, IDC_MAIN_LOG);
        while (CString* p = LogQueue.Pop())
            delete p;
    }
    void TearDown() override
    {
        delete m_pDialog;
        m_parent.DestroyWindow();
    }

    void Log(const std::wstring& line)
    {
        LogQueue.Push(new CString(line.c_str()));
        m_pDialog->SendMessage(UWM_LOGQUEUED);
    }

    CWnd m_parent;
    CMainDialog* m_pDialog = nullptr;
    HWND m_hLog = nullptr;
};

TEST_F(CMainDialogTest, LogIsTrimmedFromTheStartOfALineAndNeverLosesTheNewLine)
{
    const std::wstring shortLine = L"12/10 10:00:00 【正常受信】line\r\n";
    struct CASE
    {
        const char* name;
        std::wstring log;
        std::wstring line;
        size_t nKeepFrom;  // npos: the whole log stays; log.size(): emptied
    } cases[] = {
        {"40000 characters: appended untrimmed", Lines(40000), shortLine, std::wstring::npos},
        // First line feed at or after index 20001 is at 20099 (lines of 100).
        {"one over: cut after the first line feed from index 20001", Lines(40001), shortLine, 20100},
        {"line feed exactly at index n - 20000", std::wstring(20001, L'a') + L"\n" + std::wstring(19999, L'b'),
         shortLine, 20002},
        {"no line feed in the last 20000: emptied", Lines(20500) + std::wstring(20100, L'z'), shortLine, 40600},
        {"empty log", L"", shortLine, std::wstring::npos},
        {"a line past the edit's limit is kept whole", Lines(39000), std::wstring(5000, L'L') + L"\r\n",
         std::wstring::npos},
        {"a line longer than the limit itself", Lines(100), std::wstring(60000, L'H') + L"\r\n", std::wstring::npos},
    };
    for (const CASE& c : cases)
    {
        SetWindowTextW(m_hLog, c.log.c_str());
        ASSERT_EQ(c.log.size(), (size_t)GetWindowTextLengthW(m_hLog)) << c.name << ": setting up";
        Log(c.line);
        std::wstring kept = c.nKeepFrom == std::wstring::npos ? c.log : c.log.substr(c.nKeepFrom);
        std::wstring expected = kept + c.line;
        std::wstring actual = Text(m_hLog);
        EXPECT_TRUE(actual == expected) << c.name << ": " << actual.size() << " characters, expected "
                                        << expected.size();
        if (c.nKeepFrom != std::wstring::npos && c.nKeepFrom < c.log.size())
        {
            EXPECT_LE(kept.size(), 20000u) << c.name;
        }
    }
}

TEST_F(CMainDialogTest, QueuedLinesAppearInOrderAndAnEmptyQueueChangesNothing)
{
    LogQueue.Push(new CString(L"one\r\n"));
    LogQueue.Push(new CString(L"二\r\n"));
    LogQueue.Push(new CString(L"three\r\n"));
    EXPECT_EQ(1, m_pDialog->SendMessage(UWM_LOGQUEUED));
    EXPECT_EQ(L"one\r\n二\r\nthree\r\n", Text(m_hLog));
    EXPECT_EQ(1, m_pDialog->SendMessage(UWM_LOGQUEUED));
    EXPECT_EQ(L"one\r\n二\r\nthree\r\n", Text(m_hLog));

    LogQueue.Push(new CString(L"after clearing\r\n"));
    SendMessageW(GetDlgItem(m_pDialog->m_hWnd, IDC_MAIN_CLEAR_LOG), BM_CLICK, 0, 0);
    EXPECT_EQ(L"", Text(m_hLog));
    m_pDialog->SendMessage(UWM_LOGQUEUED);
    EXPECT_EQ(L"after clearing\r\n", Text(m_hLog)) << "lines queued before the clearing still come";
}

TEST_F(CMainDialogTest, StatusItemsGoToTheirLineAndTheIPv6LineStaysHidden)
{
    HWND hDialog = m_pDialog->m_hWnd;
    EXPECT_EQ(L"未起動", Text(GetDlgItem(hDialog, IDC_MAIN_STATUS_IPV4)));
    ServerStatusQueue.Push(new CServerStatusQueueItem(0, L"起動中"));
    ServerStatusQueue.Push(new CServerStatusQueueItem(0, L"稼働中　ポート 60125"));
    ServerStatusQueue.Push(new CServerStatusQueueItem(1, L"停止：終了"));
    EXPECT_EQ(1, m_pDialog->SendMessage(UWM_SERVERSTATUSQUEUED));
    EXPECT_EQ(L"稼働中　ポート 60125", Text(GetDlgItem(hDialog, IDC_MAIN_STATUS_IPV4)));
    EXPECT_EQ(L"停止：終了", Text(GetDlgItem(hDialog, IDC_MAIN_STATUS_IPV6)));
    EXPECT_FALSE(GetWindowLongPtrW(GetDlgItem(hDialog, IDC_MAIN_STATUS_IPV6), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrW(GetDlgItem(hDialog, IDC_MAIN_IPV6_LABEL), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(nullptr, ServerStatusQueue.Pop());
}

TEST_F(CMainDialogTest, InitialisationPublishesHandleSizesAndVersion)
{
    HWND hDialog = m_pDialog->m_hWnd;
    EXPECT_EQ(hDialog, MainDialogWnd.load());
    CRect rc;
    GetClientRect(hDialog, &rc);
    EXPECT_TRUE(theApp.m_bDialogSizeKnown);
    EXPECT_EQ(rc.Width(), theApp.m_nMinWidth);
    EXPECT_EQ(rc.Height(), theApp.m_nMinHeight);
    EXPECT_EQ(rc.Width() * 4 / 3, theApp.m_nDefaultWidth);
    EXPECT_EQ(rc.Height() * 4 / 3, theApp.m_nDefaultHeight);
    std::wstring version = Text(GetDlgItem(hDialog, IDC_MAIN_VERSION));
    EXPECT_EQ(sizeof(void*) == 8 ? L"V3.0.0.1 (64bit)" : L"V3.0.0.1 (32bit)", version);
    EXPECT_EQ((LRESULT)CMainDialog::kLogLimit, SendMessageW(m_hLog, EM_GETLIMITTEXT, 0, 0));

    delete m_pDialog;
    m_pDialog = nullptr;
    EXPECT_EQ(nullptr, MainDialogWnd.load()) << "withdrawn on destruction";
}

TEST_F(CMainDialogTest, ControlsFollowTheEdgesWithoutDrift)
{
    HWND hDialog = m_pDialog->m_hWnd;
    const int ids[] = {IDC_MAIN_STATUS_IPV4,  IDC_MAIN_LOG,  IDC_MAIN_CLOSE,   IDC_MAIN_SETTINGS,   IDC_MAIN_CLEAR_LOG,
                       IDC_MAIN_END_RESIDENT, IDC_MAIN_HELP, IDC_MAIN_VERSION, IDC_MAIN_STATUS_IPV6};
    struct GROWTH
    {
        int dLeft, dTop, dRight, dBottom;
    } growth[] = {
        {0, 0, 100, 0}, {0, 0, 100, 50}, {0, 50, 0, 50}, {0, 50, 0, 50}, {0, 50, 0, 50},
        {0, 50, 0, 50}, {0, 50, 0, 50},  {0, 50, 0, 50}, {0, 0, 0, 0},  // not anchored
    };
    CRect rcClient;
    GetClientRect(hDialog, &rcClient);
    CRect before[ARRAYSIZE(ids)];
    for (size_t i = 0; i < ARRAYSIZE(ids); i++)
        before[i] = ChildRect(hDialog, ids[i]);

    for (int round = 0; round < 2; round++)
    {  // grow, shrink back, grow again
        SetWindowPos(hDialog, nullptr, 0, 0, rcClient.Width() + 100, rcClient.Height() + 50, SWP_NOMOVE | SWP_NOZORDER);
        for (size_t i = 0; i < ARRAYSIZE(ids); i++)
        {
            CRect rc = ChildRect(hDialog, ids[i]);
            EXPECT_EQ(before[i].left + growth[i].dLeft, rc.left) << "control " << ids[i] << ", round " << round;
            EXPECT_EQ(before[i].top + growth[i].dTop, rc.top) << "control " << ids[i] << ", round " << round;
            EXPECT_EQ(before[i].right + growth[i].dRight, rc.right) << "control " << ids[i] << ", round " << round;
            EXPECT_EQ(before[i].bottom + growth[i].dBottom, rc.bottom) << "control " << ids[i] << ", round " << round;
        }
        SetWindowPos(hDialog, nullptr, 0, 0, rcClient.Width(), rcClient.Height(), SWP_NOMOVE | SWP_NOZORDER);
        for (size_t i = 0; i < ARRAYSIZE(ids); i++)
            EXPECT_EQ(before[i], ChildRect(hDialog, ids[i])) << "control " << ids[i] << " drifted, round " << round;
    }
}

TEST_F(CMainDialogTest, EnterAndEscDoNothingAndTheLogIsNotSelectedOnFocus)
{
    HWND hDialog = m_pDialog->m_hWnd;
    m_parent.ShowWindow(SW_SHOW);
    EXPECT_EQ(0, SendMessageW(m_hLog, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL);

    // The close button posts WM_CLOSE to the parent, which destroys a plain
    // window: what the keys post is run, so that a press would show.
    SetWindowTextW(m_hLog, L"some text");
    for (int nFocus : {IDC_MAIN_LOG, IDC_MAIN_CLEAR_LOG})
    {
        SetFocus(GetDlgItem(hDialog, nFocus));
        for (WPARAM vk : {(WPARAM)VK_RETURN, (WPARAM)VK_ESCAPE, (WPARAM)VK_TAB})
        {
            MSG msg = {GetFocus(), WM_KEYDOWN, vk, 0};
            EXPECT_TRUE(CWnd::WalkPreTranslateTree(&msg)) << "key " << vk << " goes to the dialog manager";
            DWORD dwStart = GetTickCount();
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetTickCount() - dwStart < 3000)
                theApp.PumpMessage();
            ASSERT_TRUE(IsWindow(hDialog)) << "key " << vk << " closed the parent";
            EXPECT_TRUE(IsWindowVisible(hDialog)) << "key " << vk;
        }
    }
    EXPECT_EQ(L"some text", Text(m_hLog)) << "Enter pressed the default button or cleared the log";
    SetFocus(m_hLog);
    DWORD dwStart = 1, dwEnd = 1;
    SendMessageW(m_hLog, EM_GETSEL, (WPARAM)&dwStart, (LPARAM)&dwEnd);
    EXPECT_EQ(dwStart, dwEnd) << "focus selected the log's text";
}

}  // namespace
