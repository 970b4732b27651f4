// The main frame in a real window session: tray pictures, the debounced
// capture and the viewer chain, placement, closing and ending.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/CMainFrame.h"
#include "app/CSkipRecursiveObject.h"
#include "net/CSocketedThreadList.h"
#include "res/resource.h"
#include "ui/CMainDialog.h"

namespace {

// Handles this thread's messages for about ms milliseconds.
void Pump(DWORD ms)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - dwElapsed, QS_ALLINPUT);
    }
}

// Handles this thread's messages until pred holds or ms milliseconds passed.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms)
{
    DWORD dwStart = GetTickCount();
    while (!pred())
    {
        if (GetTickCount() - dwStart >= ms)
            return false;
        Pump(10);
    }
    return true;
}

void SetClipboardText(const wchar_t* pszText)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    size_t nBytes = (wcslen(pszText) + 1) * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, nBytes);
    memcpy(GlobalLock(h), pszText, nBytes);
    GlobalUnlock(h);
    ASSERT_NE(nullptr, SetClipboardData(CF_UNICODETEXT, h));
    ASSERT_TRUE(CloseClipboard());
}

// Counts the captures the timer asks for; the first m_nFailures report a busy clipboard.
struct CAPTURES
{
    std::vector<DWORD> times;
    int nFailures = 0;
} g_captures;

int CountCapture(CMainFrame*)
{
    g_captures.times.push_back(GetTickCount());
    if (g_captures.nFailures > 0)
    {
        g_captures.nFailures--;
        return FALSE;
    }
    return TRUE;
}

int NoMessageBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

class CMainFrameTest : public ::testing::Test
{
protected:
    // Wine hides its tray window when the last icon goes, and without a window
    // manager hiding a window takes 2 s; an icon of our own keeps it up.
    static void SetUpTestSuite()
    {
        static CWnd keeper;
        if (keeper.m_hWnd != nullptr)
            return;
        keeper.CreateEx(0, AfxRegisterWndClass(0), L"", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr);
        NOTIFYICONDATAW nid = {};
        nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
        nid.hWnd = keeper.m_hWnd;
        nid.uID = 77;
        nid.uFlags = NIF_ICON;
        nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        Shell_NotifyIconW(NIM_ADD, &nid);
    }

    void SetUp() override
    {
        theApp.SetRegistryKey(L"Tamberlow");
        theApp.WriteProfileString(L"Frame", nullptr, nullptr);  // no saved placement
        theApp.m_bDeleteSettings = FALSE;
        theApp.m_bShowBalloonOnClose = FALSE;
        g_captures = CAPTURES();
        CMainFrame::m_pfnCaptureHook = CountCapture;
        m_pfnOldBox = AfxSetMessageBoxHook(NoMessageBox);
    }
    void TearDown() override
    {
        for (HWND hWnd : m_frames)
            if (IsWindow(hWnd))
                DestroyWindow(hWnd);
        Pump(0);
        CMainFrame::m_pfnCaptureHook = nullptr;
        AfxSetMessageBoxHook(m_pfnOldBox);
    }

    CMainFrame* NewFrame()
    {
        CMainFrame* pFrame = new CMainFrame;
        if (!pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr))
            return nullptr;
        m_frames.push_back(pFrame->m_hWnd);
        return pFrame;
    }

    static void NonClient(CMainFrame* pFrame, int& ncW, int& ncH)
    {
        CRect rcWindow, rcClient;
        pFrame->GetWindowRect(&rcWindow);
        pFrame->GetClientRect(&rcClient);
        ncW = rcWindow.Width() - rcClient.Width();
        ncH = rcWindow.Height() - rcClient.Height();
    }

    static int Stored(LPCWSTR pszEntry) { return (int)theApp.GetProfileInt(L"Frame", pszEntry, -12345); }

    std::vector<HWND> m_frames;
    AFX_MESSAGEBOX_HOOK m_pfnOldBox = nullptr;
};

// A main frame that refuses its creation, as the main dialog failing would.
class CRefusingFrame : public CFrameWnd
{
protected:
    afx_msg int OnCreate(LPCREATESTRUCT) { return -1; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRefusingFrame, CFrameWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

// Presses OK on the first message box of thread nThreadId that shows within 3 s.
void AnswerMessageBox(DWORD nThreadId, std::atomic<bool>* pAnswered)
{
    for (int i = 0; i < 300 && !*pAnswered; i++)
    {
        EnumThreadWindows(
            nThreadId,
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                wchar_t szClass[16] = {};
                GetClassNameW(hWnd, szClass, 16);
                if (wcscmp(szClass, L"#32770") != 0 || !IsWindowVisible(hWnd))
                    return TRUE;
                PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
                *reinterpret_cast<std::atomic<bool>*>(lParam) = true;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(pAnswered));
        Sleep(10);
    }
}

// The frame that can't be created has asked the message loop to end on its
// way out; the start-up's message about it must still stay until answered.
TEST(StartupFailure, MessageStaysAfterTheMainFrameRefusedItsCreation)
{
    CRefusingFrame* pFrame = new CRefusingFrame;
    theApp.m_pMainWnd = pFrame;
    EXPECT_FALSE(pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr));
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "no end of the loop was asked";

    std::atomic<bool> bAnswered(false);
    std::thread answer(AnswerMessageBox, GetCurrentThreadId(), &bAnswered);
    ReportStartupFailure(L"start-up failure");
    bool bShown = bAnswered;
    bAnswered = true;
    answer.join();
    EXPECT_TRUE(bShown) << "the box closed before anyone could read it";
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    {}
}

TEST(CMainFrameTray, IconTableByWorkerStates)
{
    struct CASE
    {
        int s, r, nId;
    } cases[] = {
        {0, 0, 138}, {1, 0, 139}, {2, 0, 140},  {0, 1, 142}, {1, 1, 141}, {2, 1, 143},   {0, 2, 145},
        {1, 2, 144}, {2, 2, 146}, {-1, 1, 142}, {3, 2, 145}, {1, 7, 139}, {99, -5, 138},  // out of range counts as 0
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.nId, CMainFrame::TrayIconId(c.s, c.r)) << "sender " << c.s << ", receiver " << c.r;
}

// The nine pictures exist at 16x16 and no two are alike.
TEST(CMainFrameTray, NineDistinctSmallIcons)
{
    std::vector<std::vector<DWORD>> pictures;
    for (int nId = 138; nId <= 146; nId++)
    {
        HICON hIcon = (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId), IMAGE_ICON, 16, 16, 0);
        ASSERT_NE(nullptr, hIcon) << "icon " << nId;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(hIcon, &info)) << "icon " << nId;
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = 16;
        bmi.bmiHeader.biHeight = 16;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        std::vector<DWORD> pixels(256);
        HDC hdc = GetDC(nullptr);
        EXPECT_EQ(16, GetDIBits(hdc, info.hbmColor, 0, 16, pixels.data(), &bmi, DIB_RGB_COLORS)) << "icon " << nId;
        ReleaseDC(nullptr, hdc);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(hIcon);
        for (size_t i = 0; i < pictures.size(); i++)
            EXPECT_NE(pictures[i], pixels) << "icons " << 138 + i << " and " << nId << " look the same";
        pictures.push_back(pixels);
    }
    for (int nSize : {16, 32, 48})
        EXPECT_NE(nullptr,
                  LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, nSize, nSize, 0))
            << "application icon " << nSize;
}

TEST(CSkipRecursiveObjectTest, OnlyTheFirstHolderEnters)
{
    LONG nCounter = 0;
    {
        CSkipRecursiveObject outer(&nCounter);
        EXPECT_TRUE(outer.m_bEntered);
        {
            CSkipRecursiveObject inner(&nCounter);
            EXPECT_FALSE(inner.m_bEntered);
            EXPECT_EQ(2, nCounter);
        }
        EXPECT_EQ(1, nCounter);
    }
    EXPECT_EQ(0, nCounter);
    CSkipRecursiveObject again(&nCounter);
    EXPECT_TRUE(again.m_bEntered) << "the guard is free again once released";
}

TEST_F(CMainFrameTest, CreationBuildsTheHiddenWindowWithItsDialogViewerAndIcon)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    EXPECT_FALSE(pFrame->IsWindowVisible());
    CString strTitle;
    pFrame->GetWindowText(strTitle);
    EXPECT_STREQ(L"Varnel3 (IPv4版)", strTitle);
    EXPECT_EQ(nullptr, GetMenu(pFrame->m_hWnd)) << "menu 128 is the tray menu only";
    EXPECT_EQ(0u, pFrame->GetExStyle() & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(pFrame->m_bViewerRegistered);
    EXPECT_EQ(138, pFrame->m_nTrayIcon) << "no workers: both sheets grey";
    EXPECT_EQ(pFrame->m_hWnd, theApp.m_hWndFrame.load());

    ASSERT_NE(nullptr, pFrame->m_pMainDialog);
    HWND hDialog = pFrame->m_pMainDialog->m_hWnd;
    EXPECT_EQ(hDialog, GetDlgItem(pFrame->m_hWnd, AFX_IDW_PANE_FIRST));
    EXPECT_EQ((DWORD)(WS_CHILD | WS_VISIBLE | WS_BORDER), (DWORD)GetWindowLongPtrW(hDialog, GWL_STYLE));
    pFrame->MoveWindow(0, 0, 500, 400);
    CRect rcClient, rcDialog;
    pFrame->GetClientRect(&rcClient);
    GetWindowRect(hDialog, &rcDialog);
    pFrame->ScreenToClient(&rcDialog);
    EXPECT_EQ(rcClient, rcDialog) << "the dialog fills the client area";

    HWND hFrame = pFrame->m_hWnd;
    DestroyWindow(hFrame);
    EXPECT_EQ(nullptr, theApp.m_hWndFrame.load()) << "withdrawn with the window";
}

// What is on the clipboard when the frame joins the chain is not sent; a burst
// of changes gives one capture, 100 ms after the last of them.
TEST_F(CMainFrameTest, BurstOfClipboardChangesGivesOneCaptureAfterTheLast)
{
    SetClipboardText(L"before start");
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    Pump(300);
    EXPECT_EQ(0u, g_captures.times.size()) << "start-up contents were captured";

    // The changes come as fast as the clipboard takes them. A busy machine
    // may still leave a pause of a debounce period between two of them; the
    // checks allow one more capture for each such pause and no other.
    std::vector<DWORD> changes;
    for (int i = 0; i < 10; i++)
    {
        SetClipboardText(i % 2 ? L"odd" : L"even");
        changes.push_back(GetTickCount());
        Pump(0);
    }
    size_t nPauses = 0;
    for (size_t i = 1; i < changes.size(); i++)
        if (changes[i] - changes[i - 1] >= 90)
            nPauses++;
    ASSERT_TRUE(PumpUntil([] { return !g_captures.times.empty(); }, 10000)) << "no capture";
    Pump(400);
    EXPECT_LE(g_captures.times.size(), 1 + nPauses) << "a change within 100 ms of the next was captured";
    for (DWORD dwCapture : g_captures.times)
    {
        DWORD dwLastChange = 0;
        for (DWORD dwChange : changes)
            if (dwChange <= dwCapture)
                dwLastChange = dwChange;
        EXPECT_GE(dwCapture - dwLastChange, 80u) << "captured before the burst was over";
    }
    // Compared, not subtracted: a capture before the last change must not wrap into a pass.
    EXPECT_GE(g_captures.times.back(), changes.back() + 80) << "the last change was not waited for";
}

TEST_F(CMainFrameTest, BusyClipboardIsTriedAgainEvery100msUntilTheCaptureSucceeds)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    Pump(100);
    g_captures.nFailures = 2;
    SetClipboardText(L"held elsewhere");
    // The retries come from the timer alone: the clipboard doesn't change
    // again. How late they come depends on the machine's load.
    ASSERT_TRUE(PumpUntil([] { return g_captures.times.size() >= 3; }, 10000))
        << "two failures and the success; captures: " << g_captures.times.size();
    Pump(300);
    EXPECT_EQ(3u, g_captures.times.size()) << "tried again after the success";
    for (size_t i = 1; i < g_captures.times.size(); i++)
    {
        DWORD dwGap = g_captures.times[i] - g_captures.times[i - 1];
        EXPECT_GE(dwGap, 80u) << "retry " << i;
    }
}

// Records what the frame passes down the chain to it.
class CViewerRecorder : public CWnd
{
public:
    int m_nDraw = 0;
    std::vector<std::pair<HWND, HWND>> m_changes;

protected:
    afx_msg void OnDrawClipboard() { m_nDraw++; }
    afx_msg void OnChangeCbChain(HWND hWndRemove, HWND hWndAfter) { m_changes.push_back({hWndRemove, hWndAfter}); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CViewerRecorder, CWnd)
    ON_WM_DRAWCLIPBOARD()
    ON_WM_CHANGECBCHAIN()
END_MESSAGE_MAP()

TEST_F(CMainFrameTest, ViewerChainUpkeep)
{
    CViewerRecorder next;
    ASSERT_TRUE(next.CreateEx(0, AfxRegisterWndClass(0), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    HWND hWndAfterNext = next.SetClipboardViewer();
    next.m_nDraw = 0;  // its own joining

    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    EXPECT_EQ(next.m_hWnd, pFrame->m_hWndNextViewer);
    EXPECT_EQ(0, next.m_nDraw) << "the frame's joining notification went on down the chain";

    pFrame->SendMessage(WM_DRAWCLIPBOARD);
    EXPECT_EQ(1, next.m_nDraw) << "a change is passed on";

    HWND hOther = (HWND)(UINT_PTR)0x1234, hOtherNext = (HWND)(UINT_PTR)0x5678;
    pFrame->SendMessage(WM_CHANGECBCHAIN, (WPARAM)hOther, (LPARAM)hOtherNext);
    ASSERT_EQ(1u, next.m_changes.size()) << "removal of another viewer is passed on";
    EXPECT_EQ(hOther, next.m_changes[0].first);
    EXPECT_EQ(hOtherNext, next.m_changes[0].second);

    pFrame->SendMessage(WM_CHANGECBCHAIN, (WPARAM)next.m_hWnd, (LPARAM)hWndAfterNext);
    EXPECT_EQ(hWndAfterNext, pFrame->m_hWndNextViewer) << "the removed next viewer is replaced by the one after it";
    EXPECT_EQ(1u, next.m_changes.size()) << "and its own removal is not passed to it";

    next.ChangeClipboardChain(hWndAfterNext);
    DestroyWindow(pFrame->m_hWnd);
    next.DestroyWindow();
}

// The first show by saved placement; sizes from the main dialog's initial size.
TEST_F(CMainFrameTest, FirstShowAppliesTheSavedPlacementOrTheDefaultSize)
{
    struct CASE
    {
        const char* name;
        bool bSaved;
        int nExtraWidth, nExtraHeight;  // saved size beyond the minimum window size
        bool bMaximized;
        bool bExpectSaved;  // false: default size at the current position
        CRect rcAbsurd;     // saved edges as they stand, when not all 0
    } cases[] = {
        {"never saved", false, 0, 0, false, false},
        {"saved normal", true, 40, 30, false, true},
        {"saved exactly the minimum", true, 0, 0, false, true},
        {"saved too narrow", true, -1, 30, false, false},
        {"saved too low", true, 40, -1, false, false},
        {"saved maximised", true, 40, 30, true, true},
        // Edges whose differences don't fit 32 bits: the true size is negative
        // and must not wrap round to one that passes.
        {"width and height wrap", true, 0, 0, false, false, {1000000000, 1000000000, -2000000000, -2000000000}},
        {"width wraps", true, 0, 0, false, false, {1000000000, 70, -2000000000, 2000}},
        {"height wraps", true, 0, 0, false, false, {60, 1000000000, 2000, -2000000000}},
        {"wraps once the frame's border is taken off", true, 0, 0, false, false, {0, 0, INT_MIN + 1, INT_MIN + 1}},
        {"the widest edges", true, 0, 0, false, false, {INT_MAX, INT_MAX, INT_MIN, INT_MIN}},
    };
    for (const CASE& c : cases)
    {
        theApp.WriteProfileString(L"Frame", nullptr, nullptr);
        CMainFrame* pFrame = NewFrame();
        ASSERT_NE(nullptr, pFrame) << c.name;
        int ncW = 0, ncH = 0;
        NonClient(pFrame, ncW, ncH);
        ASSERT_TRUE(theApp.m_bDialogSizeKnown);
        CRect rcSaved(60, 70, 60 + theApp.m_nMinWidth + ncW + c.nExtraWidth,
                      70 + theApp.m_nMinHeight + ncH + c.nExtraHeight);
        if (c.rcAbsurd != CRect())
            rcSaved = c.rcAbsurd;
        if (c.bSaved)
        {
            theApp.WriteProfileInt(L"Frame", L"Left", rcSaved.left);
            theApp.WriteProfileInt(L"Frame", L"Top", rcSaved.top);
            theApp.WriteProfileInt(L"Frame", L"Right", rcSaved.right);
            theApp.WriteProfileInt(L"Frame", L"Bottom", rcSaved.bottom);
            theApp.WriteProfileInt(L"Frame", L"Maximized", c.bMaximized ? 1 : 0);
            theApp.WriteProfileInt(L"Frame", L"Initialized", 1);
        }
        CRect rcBefore;
        pFrame->GetWindowRect(&rcBefore);
        pFrame->ShowWithSavedPlacement(SW_SHOW);
        EXPECT_TRUE(pFrame->IsWindowVisible()) << c.name;
        EXPECT_FALSE(pFrame->m_bFirstShow) << c.name;
        EXPECT_EQ(c.bMaximized, pFrame->IsZoomed() != FALSE) << c.name;
        WINDOWPLACEMENT wp = {sizeof(wp)};
        pFrame->GetWindowPlacement(&wp);
        CRect rcNormal(wp.rcNormalPosition);
        if (c.bExpectSaved)
        {
            EXPECT_EQ(rcSaved, rcNormal) << c.name;
        }
        else
        {
            EXPECT_EQ(rcBefore.left, rcNormal.left) << c.name;
            EXPECT_EQ(rcBefore.top, rcNormal.top) << c.name;
            EXPECT_EQ(theApp.m_nDefaultWidth + ncW, rcNormal.Width()) << c.name;
            EXPECT_EQ(theApp.m_nDefaultHeight + ncH, rcNormal.Height()) << c.name;
        }
        // Only the first show places the window. (Not hidden in between:
        // without a window manager Wine takes 2 s to hide a window.)
        theApp.WriteProfileInt(L"Frame", L"Left", 5);
        pFrame->ShowWithSavedPlacement(SW_SHOW);
        WINDOWPLACEMENT wpAgain = {sizeof(wpAgain)};
        pFrame->GetWindowPlacement(&wpAgain);
        EXPECT_EQ(rcNormal, CRect(wpAgain.rcNormalPosition)) << c.name << ": placed again";
        DestroyWindow(pFrame->m_hWnd);
    }
}

TEST_F(CMainFrameTest, PlacementRoundTrip)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    pFrame->SaveWindowPlacement();
    EXPECT_EQ(-12345, Stored(L"Initialized")) << "a hidden window saves nothing";

    pFrame->ShowWithSavedPlacement(SW_SHOW);
    int ncW = 0, ncH = 0;
    NonClient(pFrame, ncW, ncH);
    CRect rc(30, 40, 30 + theApp.m_nMinWidth + ncW + 77, 40 + theApp.m_nMinHeight + ncH + 55);
    pFrame->MoveWindow(&rc);
    pFrame->SaveWindowPlacement();
    EXPECT_EQ(rc.left, Stored(L"Left"));
    EXPECT_EQ(rc.top, Stored(L"Top"));
    EXPECT_EQ(rc.right, Stored(L"Right"));
    EXPECT_EQ(rc.bottom, Stored(L"Bottom"));
    EXPECT_EQ(0, Stored(L"Iconic"));
    EXPECT_EQ(0, Stored(L"Maximized"));
    EXPECT_EQ(1, Stored(L"Initialized"));
    DestroyWindow(pFrame->m_hWnd);

    CMainFrame* pSecond = NewFrame();
    ASSERT_NE(nullptr, pSecond);
    pSecond->ShowWithSavedPlacement(SW_SHOW);
    CRect rcShown;
    pSecond->GetWindowRect(&rcShown);
    EXPECT_EQ(rc, rcShown);

    pSecond->ShowWindow(SW_MAXIMIZE);
    pSecond->SaveWindowPlacement();
    EXPECT_EQ(0, Stored(L"Iconic"));
    EXPECT_EQ(1, Stored(L"Maximized"));
    EXPECT_EQ(rc.left, Stored(L"Left")) << "the normal rectangle, not the maximised one";
    EXPECT_EQ(rc.right, Stored(L"Right"));

    pSecond->ShowWindow(SW_MINIMIZE);
    pSecond->SaveWindowPlacement();
    EXPECT_EQ(1, Stored(L"Iconic")) << "minimised from the maximised state";
    EXPECT_EQ(1, Stored(L"Maximized"));
}

TEST_F(CMainFrameTest, OpeningRestoresAndClosingOnlyHides)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;

    pFrame->SendMessage(WM_COMMAND, ID_TRAY_OPEN, 0);
    EXPECT_TRUE(IsWindowVisible(hFrame)) << "ID_TRAY_OPEN";

    pFrame->SendMessage(WM_CLOSE);
    EXPECT_TRUE(IsWindow(hFrame)) << "the close box must not end the program";
    EXPECT_FALSE(IsWindowVisible(hFrame));
    EXPECT_EQ(1, Stored(L"Initialized")) << "closing saves the placement";

    pFrame->SendMessage(UWM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(hFrame)) << "double click on the icon";

    pFrame->ShowWindow(SW_MINIMIZE);
    pFrame->SendMessage(WM_COMMAND, ID_TRAY_OPEN, 0);
    EXPECT_FALSE(IsIconic(hFrame)) << "opening a minimised window restores it";

    // The main dialog's close button goes the same way.
    CWnd* pOldMain = theApp.m_pMainWnd;
    theApp.m_pMainWnd = pFrame;
    SendMessageW(GetDlgItem(pFrame->m_pMainDialog->m_hWnd, IDC_MAIN_CLOSE), BM_CLICK, 0, 0);
    Pump(100);
    EXPECT_TRUE(IsWindow(hFrame));
    EXPECT_FALSE(IsWindowVisible(hFrame)) << "close button";
    theApp.m_pMainWnd = pOldMain;
}

// A key pressed and released as the keyboard posts it to the focused window;
// the loop's TranslateMessage makes the WM_CHAR.
void PressKey(UINT vk)
{
    HWND hFocus = GetFocus();
    LPARAM lScan = (LPARAM)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(hFocus, WM_KEYDOWN, vk, lScan | 1);
    PostMessageW(hFocus, WM_KEYUP, vk, lScan | 1 | (1u << 30) | (1u << 31));
}

// Runs the program's own message loop until nothing is left in the queue.
void RunLoopUntilIdle()
{
    DWORD dwStart = GetTickCount();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetTickCount() - dwStart < 3000)
        theApp.PumpMessage();
}

// Enter and Esc through the real loop and the dialog manager, as the running
// program gets them, with the focus on each kind of control that is safe to
// press: the log (whose Enter goes on to the default button), a plain button
// and the default button 閉じる itself.
TEST_F(CMainFrameTest, EnterAndEscInTheMainWindowDoNothing)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    HWND hDialog = pFrame->m_pMainDialog->m_hWnd;
    HWND hLog = GetDlgItem(hDialog, IDC_MAIN_LOG);
    CWnd* pOldMain = theApp.m_pMainWnd;
    theApp.m_pMainWnd = pFrame;
    pFrame->ShowWithSavedPlacement(SW_SHOW);

    const struct
    {
        const char* name;
        int nFocus;
    } targets[] = {
        {"focus in the log", IDC_MAIN_LOG},
        {"focus on ログをクリア", IDC_MAIN_CLEAR_LOG},
        {"focus on 閉じる", IDC_MAIN_CLOSE},
    };
    for (const auto& t : targets)
    {
        for (UINT vk : {(UINT)VK_RETURN, (UINT)VK_ESCAPE})
        {
            const char* key = vk == VK_RETURN ? "Enter" : "Esc";
            SetWindowTextW(hLog, L"some text");
            HWND hFocus = GetDlgItem(hDialog, t.nFocus);
            SetFocus(hFocus);
            ASSERT_EQ(hFocus, GetFocus()) << t.name;
            PressKey(vk);
            RunLoopUntilIdle();
            EXPECT_TRUE(IsWindowVisible(hFrame)) << t.name << ", " << key << ": the window was closed";
            wchar_t szLog[32] = {};
            GetWindowTextW(hLog, szLog, 32);
            EXPECT_STREQ(L"some text", szLog) << t.name << ", " << key << ": a button was pressed";
            EXPECT_EQ(hFocus, GetFocus()) << t.name << ", " << key << ": the focus moved";
            if (!IsWindowVisible(hFrame))
                pFrame->ShowWindow(SW_SHOW);
        }
    }

    // The same loop does press a button: Space on 閉じる hides the window.
    SetFocus(GetDlgItem(hDialog, IDC_MAIN_CLOSE));
    PressKey(VK_SPACE);
    RunLoopUntilIdle();
    EXPECT_FALSE(IsWindowVisible(hFrame)) << "Space on 閉じる";
    EXPECT_TRUE(IsWindow(hFrame));
    theApp.m_pMainWnd = pOldMain;
}

TEST_F(CMainFrameTest, MinimumTrackingSizeIsTheDialogsInitialSize)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    int ncW = 0, ncH = 0;
    NonClient(pFrame, ncW, ncH);
    MINMAXINFO mmi = {};
    pFrame->SendMessage(WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
    EXPECT_EQ(theApp.m_nMinWidth + ncW, mmi.ptMinTrackSize.x);
    EXPECT_EQ(theApp.m_nMinHeight + ncH, mmi.ptMinTrackSize.y);
}

// Minimised and restored through the real frame, the window keeps its size,
// at the smallest the dialog allows and above it; while minimised the minimum
// is still the dialog's, not the minimised window's.
TEST_F(CMainFrameTest, RestoringFromMinimisedKeepsTheSize)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    pFrame->ShowWithSavedPlacement(SW_SHOW);
    int ncW = 0, ncH = 0;
    NonClient(pFrame, ncW, ncH);
    for (int nExtra : {0, 77})
    {
        SCOPED_TRACE(nExtra);
        CRect rc(30, 40, 30 + theApp.m_nMinWidth + ncW + nExtra, 40 + theApp.m_nMinHeight + ncH + nExtra);
        pFrame->MoveWindow(&rc);
        pFrame->ShowWindow(SW_MINIMIZE);
        ASSERT_TRUE(pFrame->IsIconic());
        MINMAXINFO mmi = {};
        pFrame->SendMessage(WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
        EXPECT_EQ(theApp.m_nMinWidth + ncW, mmi.ptMinTrackSize.x) << "while minimised";
        EXPECT_EQ(theApp.m_nMinHeight + ncH, mmi.ptMinTrackSize.y) << "while minimised";
        pFrame->ShowWindow(SW_RESTORE);
        ASSERT_FALSE(pFrame->IsIconic());
        CRect rcRestored;
        pFrame->GetWindowRect(&rcRestored);
        EXPECT_EQ(rc.Width(), rcRestored.Width());
        EXPECT_EQ(rc.Height(), rcRestored.Height());
    }
}

TEST_F(CMainFrameTest, QueryEndSessionSavesThePlacement)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    pFrame->ShowWithSavedPlacement(SW_SHOW);
    EXPECT_EQ(TRUE, pFrame->SendMessage(WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(1, Stored(L"Initialized"));
    pFrame->SendMessage(WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(IsWindow(pFrame->m_hWnd)) << "a session that goes on ends nothing";
}

TEST_F(CMainFrameTest, TrayExitEndsWithoutAskingAndKeepsTheDeleteFlag)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    pFrame->ShowWithSavedPlacement(SW_SHOW);
    pFrame->MoveWindow(11, 12, 600, 500);
    theApp.m_bDeleteSettings = FALSE;
    pFrame->SendMessage(WM_COMMAND, ID_TRAY_EXIT, 0);
    Pump(200);  // the end request is posted
    EXPECT_FALSE(IsWindow(hFrame));
    EXPECT_FALSE(theApp.m_bDeleteSettings);
    EXPECT_EQ(11, Stored(L"Left")) << "the placement is saved before ending";
}

// Finds the exit dialog owned by hOwner, optionally ticks its box, and presses a button.
void AnswerExitDialog(HWND hOwner, bool bTick, int nButton, std::atomic<bool>* pAnswered,
                      HWND hSecondRequestTo = nullptr)
{
    for (int i = 0; i < 500; i++)
    {
        HWND hDialog = GetLastActivePopup(hOwner);
        if (hDialog != nullptr && hDialog != hOwner && IsWindowVisible(hDialog))
        {
            if (hSecondRequestTo != nullptr)
                SendMessageW(hSecondRequestTo, UWM_ENDRESIDENT, 1, 0);  // arrives in the dialog's loop
            if (bTick)
                SendMessageW(GetDlgItem(hDialog, 1028), BM_SETCHECK, BST_CHECKED, 0);
            PostMessageW(hDialog, WM_COMMAND, nButton, 0);
            *pAnswered = true;
            return;
        }
        Sleep(10);
    }
}

TEST_F(CMainFrameTest, EndButtonAsksFirstAndCancelKeepsRunning)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    pFrame->ShowWithSavedPlacement(SW_SHOW);
    std::atomic<bool> bAnswered(false);
    std::thread answer(AnswerExitDialog, hFrame, true, IDCANCEL, &bAnswered, hFrame);
    pFrame->SendMessage(UWM_ENDRESIDENT, 0, 0);
    answer.join();
    EXPECT_TRUE(bAnswered) << "no exit dialog appeared";
    EXPECT_TRUE(IsWindow(hFrame)) << "cancelled, or the second request inside the dialog was not dropped";
    EXPECT_FALSE(theApp.m_bDeleteSettings) << "a cancelled dialog changes nothing";
    EXPECT_EQ(0, QuitGuardCount);
}

TEST_F(CMainFrameTest, EndButtonWithDeleteTickedEndsAndSetsTheFlag)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    std::atomic<bool> bAnswered(false);
    std::thread answer(AnswerExitDialog, hFrame, true, IDOK, &bAnswered, (HWND) nullptr);
    pFrame->SendMessage(UWM_ENDRESIDENT, 0, 0);
    answer.join();
    EXPECT_TRUE(bAnswered);
    EXPECT_FALSE(IsWindow(hFrame));
    EXPECT_TRUE(theApp.m_bDeleteSettings);
    theApp.m_bDeleteSettings = FALSE;
}

// The tray menu: shown on a right click when no dialog is open, its first
// item the default; choosing that item opens the window.
TEST_F(CMainFrameTest, RightClickShowsTheTrayMenuWhoseDefaultItemOpensTheWindow)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    std::atomic<bool> bMenuSeen(false);
    std::atomic<UINT> nDefault(12345);
    std::wstring items[2];
    std::thread answer([&] {
        for (int i = 0; i < 300; i++)
        {
            HWND hMenu = FindWindowW(L"#32768", nullptr);
            if (hMenu != nullptr && IsWindowVisible(hMenu))
            {
                bMenuSeen = true;
                HMENU hPopup = (HMENU)SendMessageW(hMenu, MN_GETHMENU, 0, 0);
                nDefault = GetMenuDefaultItem(hPopup, TRUE, 0);
                for (int k = 0; k < 2; k++)
                {
                    wchar_t sz[64] = {};
                    GetMenuStringW(hPopup, k, sz, 64, MF_BYPOSITION);
                    items[k] = sz;
                }
                PostMessageW(hMenu, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(hMenu, WM_KEYDOWN, VK_RETURN, 0);
                return;
            }
            Sleep(10);
        }
        PostMessageW(hFrame, WM_CANCELMODE, 0, 0);
    });
    pFrame->SendMessage(UWM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    answer.join();
    Pump(100);
    ASSERT_TRUE(bMenuSeen) << "no menu appeared";
    EXPECT_EQ(0u, nDefault.load());
    EXPECT_EQ(L"Varnelを開く", items[0]);
    EXPECT_EQ(L"終了", items[1]);
    EXPECT_TRUE(IsWindowVisible(hFrame)) << "the first item did not open the window";
}

// With a dialog of the program open, a right click brings that dialog forward
// (and shows the window under it) instead of the menu.
TEST_F(CMainFrameTest, RightClickWhileTheExitDialogIsOpenShowsNoMenu)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    HWND hFrame = pFrame->m_hWnd;
    std::atomic<bool> bMenuSeen(false), bFrameShown(false);
    std::thread answer([&] {
        HWND hDialog = nullptr;
        for (int i = 0; i < 500 && hDialog == nullptr; i++)
        {
            HWND h = GetLastActivePopup(hFrame);
            if (h != hFrame && IsWindowVisible(h))
                hDialog = h;
            else
                Sleep(10);
        }
        if (hDialog == nullptr)
            return;
        SendMessageW(hFrame, UWM_TRAYNOTIFY, 1, WM_RBUTTONUP);  // handled inside the dialog's loop
        Sleep(200);
        HWND hMenu = FindWindowW(L"#32768", nullptr);
        bMenuSeen = hMenu != nullptr && IsWindowVisible(hMenu);
        bFrameShown = IsWindowVisible(hFrame) != FALSE;
        PostMessageW(hDialog, WM_COMMAND, IDCANCEL, 0);
    });
    pFrame->SendMessage(UWM_ENDRESIDENT, 0, 0);
    answer.join();
    EXPECT_FALSE(bMenuSeen);
    EXPECT_TRUE(bFrameShown);
    EXPECT_TRUE(IsWindow(hFrame));
}

TEST_F(CMainFrameTest, TrayIconFollowsTheWorkerStatesAndComesBackAfterTheShellRestarts)
{
    CMainFrame* pFrame = NewFrame();
    ASSERT_NE(nullptr, pFrame);
    CSocketedThread* pSender = new CSocketedThread;
    CSocketedThread* pReceiver = new CSocketedThread;
    pSender->m_nState = 2;
    pReceiver->m_nState = 1;
    SenderThreadList.Add(pSender);
    ReceiverThreadList.Add(pReceiver);
    EXPECT_EQ(1, pFrame->SendMessage(UWM_THREADSTATECHANGED));
    EXPECT_EQ(143, pFrame->m_nTrayIcon) << "sender transferring, receiver holding";

    // The shell lost the icon: "TaskbarCreated" adds it again with the current picture.
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = pFrame->m_hWnd;
    nid.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
    pReceiver->m_nState = 2;
    EXPECT_EQ(0, pFrame->SendMessage(TaskbarCreatedMessage));
    EXPECT_EQ(146, pFrame->m_nTrayIcon);
    nid.uFlags = NIF_TIP;
    lstrcpyW(nid.szTip, L"Varnel");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid)) << "the icon is not there again";

    SenderThreadList.Remove(pSender);
    ReceiverThreadList.Remove(pReceiver);
    pFrame->SendMessage(UWM_THREADSTATECHANGED);
    EXPECT_EQ(138, pFrame->m_nTrayIcon);
}

// A worker whose thread ends 50 ms after it is asked to stop, noting the
// order of the requests and whether the threads of the workers asked before it
// had already ended.
struct STOPLOG
{
    std::string order;
    std::vector<bool> earlierEnded;
};

class CFakeWorker : public CSocketedThread
{
public:
    CFakeWorker(char cTag, STOPLOG* pLog, std::vector<CFakeWorker*>* pAll)
        : m_cTag(cTag), m_pLog(pLog), m_pAll(pAll), m_hStopped(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    }
    ~CFakeWorker() override
    {
        // The thread of a worker that was never stopped ends here.
        SetEvent(m_hStopped);
        WaitForSingleObject(m_hThread, INFINITE);
    }
    void Stop() override
    {
        CSocketedThread::Stop();
        bool bEarlier = true;
        for (CFakeWorker* p : *m_pAll)
            if (p != this && m_pLog->order.find(p->m_cTag) != std::string::npos)
                bEarlier = bEarlier && WaitForSingleObject(p->m_hThread, 0) == WAIT_OBJECT_0;
        m_pLog->order += m_cTag;
        m_pLog->earlierEnded.push_back(bEarlier);
        SetEvent(m_hStopped);
    }
    char m_cTag;
    STOPLOG* m_pLog;
    std::vector<CFakeWorker*>* m_pAll;
    CKernelHandle m_hStopped;

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam)
    {
        WaitForSingleObject(static_cast<CFakeWorker*>(pParam)->m_hStopped, INFINITE);
        Sleep(50);
        return 0;
    }
};

TEST_F(CMainFrameTest, EndingStopsListenerReceiversSendersInOrderWaitingForEach)
{
    struct CASE
    {
        const char* name;
        UINT message;
        WPARAM wParam;
        const char* expectedOrder;
    } cases[] = {
        {"tray exit", UWM_ENDRESIDENT, 1, "LRS"},
        {"session ends", WM_ENDSESSION, TRUE, "LRS"},
        {"session goes on", WM_ENDSESSION, FALSE, ""},
    };
    for (const CASE& c : cases)
    {
        CMainFrame* pFrame = NewFrame();
        ASSERT_NE(nullptr, pFrame) << c.name;
        STOPLOG log;
        std::vector<CFakeWorker*> all;
        CFakeWorker* pListener = new CFakeWorker('L', &log, &all);
        CFakeWorker* pReceiver = new CFakeWorker('R', &log, &all);
        CFakeWorker* pSender = new CFakeWorker('S', &log, &all);
        all = {pListener, pReceiver, pSender};
        pListener->AddRef();
        pReceiver->AddRef();
        pSender->AddRef();
        ListenerThreadList.Add(pListener);
        ReceiverThreadList.Add(pReceiver);
        SenderThreadList.Add(pSender);

        pFrame->SendMessage(c.message, c.wParam, 0);
        EXPECT_EQ(c.expectedOrder, log.order) << c.name;
        for (size_t i = 0; i < log.earlierEnded.size(); i++)
            EXPECT_TRUE(log.earlierEnded[i]) << c.name << ": stop " << i << " came before the earlier lists ended";

        ListenerThreadList.Remove(pListener);
        ReceiverThreadList.Remove(pReceiver);
        SenderThreadList.Remove(pSender);
        pListener->Release();
        pReceiver->Release();
        pSender->Release();
        Pump(50);
    }
}

class CMainFrameDeathTest : public CMainFrameTest
{};

TEST_F(CMainFrameDeathTest, EndingWithAStuckWorkerEndsTheProcessInExitInstance)
{
    // A worker that never finishes, as one inside a name lookup or a
    // clipboard call of a hung program: the end gives up on it after its
    // bound, closes the window, and the process ends in ExitInstance rather
    // than destroy the lists and the application under the worker.
    EXPECT_EXIT(
        {
            CMainFrame* pFrame = NewFrame();
            HWND hFrame = pFrame != nullptr ? pFrame->m_hWnd : nullptr;
            CAdoPtr<CSocketedThread> stuck(new CSocketedThread());
            SenderThreadList.Add(stuck.Get());
            if (hFrame != nullptr)
                ::SendMessageW(hFrame, UWM_ENDRESIDENT, 1, 0);
            PumpUntil([&] { return !IsWindow(hFrame); }, 30000);
            if (hFrame != nullptr && !IsWindow(hFrame))
                fprintf(stderr, "window closed\n");
            fflush(stderr);
            theApp.ExitInstance();  // as the message loop does once the window is gone
        },
        ::testing::ExitedWithCode(0), "window closed");
}

}  // namespace
