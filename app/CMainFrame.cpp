#include "app/CMainFrame.h"

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/CSkipRecursiveObject.h"
#include "app/EventLog.h"
#include "net/CSocketedThreadList.h"
#include "res/resource.h"
#include "ui/CExitDialog.h"
#include "ui/CMainDialog.h"

UINT TaskbarCreatedMessage = 0;
LONG OpenWindowGuardCount = 0;
LONG QuitGuardCount = 0;

int (*CMainFrame::m_pfnCaptureHook)(CMainFrame* pFrame) = nullptr;

namespace {

const UINT kTrayIconId = 1;
const UINT kCaptureDelay = 100;  // ms after the last clipboard change
const wchar_t kSection[] = L"Frame";
// How long the end of the program waits for all workers together.
const DWORD kWorkerStopWaitMs = 5000;

// The shell takes the Windows XP layout of the structure on every version.
const DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V3_SIZE;

// A handler that failed with an exception has done only part of its work.
void ReportHandlerFault(UINT message, BOOL bOutOfMemory)
{
    CString strLine;
    strLine.Format(bOutOfMemory ? L"【エラー】メモリが不足しているため処理を完了できませんでした。(メッセージ 0x%04X)"
                                : L"【エラー】内部エラーのため処理を完了できませんでした。(メッセージ 0x%04X)",
                   message);
    try
    {
        AddLog(strLine);
    }
    catch (...)
    {
        // Out of memory for the line as well: nothing more can be done here.
    }
}

HICON LoadTrayIcon(int nId)
{
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nId), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_SHARED));
}

}  // namespace

IMPLEMENT_DYNAMIC(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_SETFOCUS()
    ON_MESSAGE(UWM_THREADSTATECHANGED, &CMainFrame::OnUpdateTrayIcon)
    ON_REGISTERED_MESSAGE(TaskbarCreatedMessage, &CMainFrame::OnTaskbarCreated)
    ON_WM_DESTROY()
    ON_COMMAND(ID_TRAY_OPEN, &CMainFrame::OnOpenWindow)
    ON_WM_CLOSE()
    ON_MESSAGE(UWM_ENDRESIDENT, &CMainFrame::OnQuitRequest)
    ON_MESSAGE(UWM_TRAYNOTIFY, &CMainFrame::OnTrayNotify)
    ON_COMMAND(ID_TRAY_EXIT, &CMainFrame::OnTrayExit)
    ON_WM_QUERYENDSESSION()
    ON_WM_GETMINMAXINFO()
    ON_WM_ENDSESSION()
    ON_WM_CHANGECBCHAIN()
    ON_WM_DRAWCLIPBOARD()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CMainFrame::CMainFrame()
    : m_nTrayIcon(-1), m_pMainDialog(nullptr), m_bFirstShow(TRUE), m_hWndNextViewer(nullptr), m_bViewerRegistered(FALSE)
{
    TaskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
    AfxWndProcFaultHook = ReportHandlerFault;
}

CMainFrame::~CMainFrame() { delete m_pMainDialog; }

BOOL CMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
    cs.hMenu = nullptr;  // menu 128 is the tray menu, not a menu bar
    cs.lpszClass = AfxRegisterWndClass(0, nullptr, nullptr,
                                       ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;

    m_pMainDialog = new CMainDialog(this);
    if (!m_pMainDialog->Create(IDD_MAIN_DIALOG, this))
        return -1;  // the dialog object goes with the frame
    m_pMainDialog->ModifyStyle(0xFFFFFFFF, WS_CHILD | WS_VISIBLE | WS_BORDER, SWP_FRAMECHANGED);
    m_pMainDialog->SetDlgCtrlID(AFX_IDW_PANE_FIRST);  // the layout fills the client area with it

    // SetClipboardViewer sends WM_DRAWCLIPBOARD before it returns; with
    // m_bViewerRegistered still 0 that arms nothing, so what is on the
    // clipboard at start-up is never sent.
    m_hWndNextViewer = SetClipboardViewer();
    m_bViewerRegistered = TRUE;

    AddTrayIcon();
    SetWindowText(L"Varnel3 (IPv4版)");
    theApp.m_hWndFrame = m_hWnd;
    return 0;
}

void CMainFrame::OnSetFocus(CWnd* pOldWnd)
{
    if (m_pMainDialog != nullptr && m_pMainDialog->m_hWnd != nullptr)
        m_pMainDialog->SetFocus();
}

void CMainFrame::OnDestroy()
{
    theApp.m_hWndFrame = nullptr;
    CFrameWnd::OnDestroy();
    if (m_bViewerRegistered)
        ChangeClipboardChain(m_hWndNextViewer);
    NOTIFYICONDATAW nid = {};
    nid.cbSize = kNotifyIconDataSize;
    nid.hWnd = m_hWnd;
    nid.uID = kTrayIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &nid);
}

// ---- tray icon --------------------------------------------------------------

int CMainFrame::TrayIconId(int nSenderState, int nReceiverState)
{
    static const int kIds[3][3] = {
        {138, 142, 145},  // sender idle; receiver idle, holding, transferring
        {139, 141, 144},  // sender holding
        {140, 143, 146},  // sender transferring
    };
    if (nSenderState < 0 || nSenderState > 2)
        nSenderState = 0;
    if (nReceiverState < 0 || nReceiverState > 2)
        nReceiverState = 0;
    return kIds[nSenderState][nReceiverState];
}

int CMainFrame::ChooseTrayIcon() { return TrayIconId(SenderThreadList.GetStatus(), ReceiverThreadList.GetStatus()); }

BOOL CMainFrame::AddTrayIcon()
{
    m_nTrayIcon = ChooseTrayIcon();
    NOTIFYICONDATAW nid = {};
    nid.cbSize = kNotifyIconDataSize;
    nid.hWnd = m_hWnd;
    nid.uID = kTrayIconId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = UWM_TRAYNOTIFY;
    nid.hIcon = LoadTrayIcon(m_nTrayIcon);
    lstrcpynW(nid.szTip, L"Varnel", ARRAYSIZE(nid.szTip));
    // The shell may not be up yet when the program starts with the session.
    for (int nTry = 0; nTry < 100; nTry++)
    {
        if (::Shell_NotifyIconW(NIM_ADD, &nid))
            return TRUE;
        ::Sleep(100);
    }
    AfxMessageBox(L"タスクバーにアクセスできません", MB_OK);
    return FALSE;
}

LRESULT CMainFrame::OnUpdateTrayIcon(WPARAM wParam, LPARAM lParam)
{
    int nIcon = ChooseTrayIcon();
    if (nIcon == m_nTrayIcon)
        return 1;
    m_nTrayIcon = nIcon;
    NOTIFYICONDATAW nid = {};
    nid.cbSize = kNotifyIconDataSize;
    nid.hWnd = m_hWnd;
    nid.uID = kTrayIconId;
    nid.uFlags = NIF_ICON;
    nid.hIcon = LoadTrayIcon(nIcon);
    ::Shell_NotifyIconW(NIM_MODIFY, &nid);
    return 1;
}

LRESULT CMainFrame::OnTaskbarCreated(WPARAM wParam, LPARAM lParam)
{
    AddTrayIcon();
    return 0;
}

void CMainFrame::ShowBalloon(LPCWSTR pszText)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = kNotifyIconDataSize;
    nid.hWnd = m_hWnd;
    nid.uID = kTrayIconId;
    nid.uFlags = NIF_INFO;
    lstrcpynW(nid.szInfo, pszText != nullptr ? pszText : L"", ARRAYSIZE(nid.szInfo));
    lstrcpynW(nid.szInfoTitle, L"Varnelはここにいます", ARRAYSIZE(nid.szInfoTitle));
    nid.dwInfoFlags = NIIF_INFO;
    nid.uTimeout = 15000;
    ::Shell_NotifyIconW(NIM_MODIFY, &nid);
}

LRESULT CMainFrame::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    HWND hWndPopup = ::GetLastActivePopup(m_hWnd);
    UINT nMouseMessage = static_cast<UINT>(lParam);
    if (nMouseMessage == WM_RBUTTONUP && hWndPopup == m_hWnd)
    {
        HMENU hMenu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        if (hMenu == nullptr)
            return 0;
        HMENU hPopup = ::GetSubMenu(hMenu, 0);
        ::SetMenuDefaultItem(hPopup, 0, TRUE);
        POINT pt = {};
        ::GetCursorPos(&pt);
        SetForegroundWindow();  // so that the menu closes when the user clicks elsewhere
        ::TrackPopupMenu(hPopup, TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, pt.x, pt.y, 0, m_hWnd, nullptr);
        PostMessage(WM_NULL);
        ::DestroyMenu(hMenu);
    }
    else if (nMouseMessage == WM_RBUTTONUP || nMouseMessage == WM_LBUTTONDBLCLK)
    {
        // With a dialog open this brings that dialog to the front.
        OnOpenWindow();
    }
    return 0;
}

void CMainFrame::OnTrayExit() { PostMessage(UWM_ENDRESIDENT, 1, 0); }

// ---- showing, hiding, placement -----------------------------------------------

void CMainFrame::GetNonClientSize(int& ncW, int& ncH) const
{
    // From the window's styles, not its rectangles: while it is minimised or
    // on its way back from there, those are the icon's, and the frame round
    // the dialog would come out too wide.
    CRect rc(0, 0, 0, 0);
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)), ::GetMenu(m_hWnd) != nullptr,
                         static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    ncW = rc.Width();
    ncH = rc.Height();
}

void CMainFrame::OnOpenWindow()
{
    CSkipRecursiveObject guard(&OpenWindowGuardCount);
    if (!guard.m_bEntered)
        return;
    if (IsIconic())
        ShowWithSavedPlacement(IsZoomed() ? SW_SHOWMAXIMIZED : SW_RESTORE);
    else
        ShowWithSavedPlacement(SW_SHOW);
    ::SetForegroundWindow(::GetLastActivePopup(m_hWnd));
}

// The main dialog's sizes are client sizes; both the widths and the heights
// get the frame's non-client size, so that the whole dialog shows.
void CMainFrame::ShowWithSavedPlacement(int nCmdShow)
{
    if (!m_bFirstShow || nCmdShow == 0)
    {
        ShowWindow(nCmdShow);
        return;
    }
    int ncW = 0, ncH = 0;
    GetNonClientSize(ncW, ncH);
    int bInitialized = static_cast<int>(theApp.GetProfileInt(kSection, L"Initialized", 0));
    int nLeft = static_cast<int>(theApp.GetProfileInt(kSection, L"Left", -1));
    int nTop = static_cast<int>(theApp.GetProfileInt(kSection, L"Top", -1));
    int nRight = static_cast<int>(theApp.GetProfileInt(kSection, L"Right", -1));
    int nBottom = static_cast<int>(theApp.GetProfileInt(kSection, L"Bottom", -1));
    int bMaximized = static_cast<int>(theApp.GetProfileInt(kSection, L"Maximized", 0));

    if (bInitialized != 0 && !theApp.m_bDialogSizeKnown)
    {
        m_bFirstShow = FALSE;
        ShowWindow(nCmdShow);
        return;
    }
    // In 64 bits: absurd stored edges must not wrap round to a size that passes.
    long long nSavedWidth = static_cast<long long>(nRight) - nLeft - ncW;
    long long nSavedHeight = static_cast<long long>(nBottom) - nTop - ncH;
    if (bInitialized != 0 && nSavedWidth >= theApp.m_nMinWidth && nSavedHeight >= theApp.m_nMinHeight)
    {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof(wp);
        wp.flags = bMaximized ? WPF_RESTORETOMAXIMIZED : 0;
        wp.showCmd = bMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        wp.ptMinPosition.x = 0;
        wp.ptMinPosition.y = 0;
        wp.ptMaxPosition.x = -::GetSystemMetrics(SM_CXBORDER);
        wp.ptMaxPosition.y = -::GetSystemMetrics(SM_CYBORDER);
        wp.rcNormalPosition.left = nLeft;
        wp.rcNormalPosition.top = nTop;
        wp.rcNormalPosition.right = nRight;
        wp.rcNormalPosition.bottom = nBottom;
        SetWindowPlacement(&wp);
        m_bFirstShow = FALSE;
        ShowWindow(static_cast<int>(wp.showCmd));
        return;
    }
    // Never saved, or saved smaller than the dialog needs: the default size here.
    if (theApp.m_bDialogSizeKnown)
    {
        CRect rcWindow;
        GetWindowRect(&rcWindow);
        MoveWindow(rcWindow.left, rcWindow.top, theApp.m_nDefaultWidth + ncW, theApp.m_nDefaultHeight + ncH, TRUE);
    }
    m_bFirstShow = FALSE;
    ShowWindow(nCmdShow);
}

void CMainFrame::SaveWindowPlacement()
{
    if (!IsWindowVisible())
        return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(&wp))
        return;
    int bIconic = 0, bMaximized = 0;
    switch (wp.showCmd)
    {
    case SW_SHOWMAXIMIZED:
        bMaximized = 1;
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        bIconic = 1;
        bMaximized = (wp.flags & WPF_RESTORETOMAXIMIZED) ? 1 : 0;  // it returns maximised
        break;
    default:  // SW_SHOWNORMAL, and any other state counts as normal
        break;
    }
    theApp.WriteProfileInt(kSection, L"Left", wp.rcNormalPosition.left);
    theApp.WriteProfileInt(kSection, L"Top", wp.rcNormalPosition.top);
    theApp.WriteProfileInt(kSection, L"Right", wp.rcNormalPosition.right);
    theApp.WriteProfileInt(kSection, L"Bottom", wp.rcNormalPosition.bottom);
    theApp.WriteProfileInt(kSection, L"Iconic", bIconic);
    theApp.WriteProfileInt(kSection, L"Maximized", bMaximized);
    theApp.WriteProfileInt(kSection, L"Initialized", 1);
}

void CMainFrame::OnClose()
{
    // Closing only hides: the program stays in the tray.
    SaveWindowPlacement();
    ShowWindow(SW_HIDE);
    if (theApp.m_bShowBalloonOnClose)
        ShowBalloon(L"アイコンを右クリック-[終了]で常駐を終了します。");
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* lpMMI)
{
    CFrameWnd::OnGetMinMaxInfo(lpMMI);
    if (theApp.m_bDialogSizeKnown)
    {
        int ncW = 0, ncH = 0;
        GetNonClientSize(ncW, ncH);
        lpMMI->ptMinTrackSize.x = theApp.m_nMinWidth + ncW;
        lpMMI->ptMinTrackSize.y = theApp.m_nMinHeight + ncH;
    }
}

// ---- ending ---------------------------------------------------------------------

void CMainFrame::StopAllWorkers()
{
    // Bounded: a worker stuck in a call that the stop can't interrupt must not
    // keep the program from ending (the application then ends the process
    // without destroying what that worker uses).
    StopAllWorkersWithin(kWorkerStopWaitMs);
}

LRESULT CMainFrame::OnQuitRequest(WPARAM wParam, LPARAM lParam)
{
    SaveWindowPlacement();  // also when the guard refuses
    CSkipRecursiveObject guard(&QuitGuardCount);
    if (!guard.m_bEntered)
        return 1;
    if (wParam == 0)
    {
        CExitDialog dlg(this);
        dlg.m_bDeleteSettings = theApp.m_bDeleteSettings;
        if (dlg.DoModal() != IDOK)
            return 1;
        theApp.m_bDeleteSettings = dlg.m_bDeleteSettings;
    }
    StopAllWorkers();
    CFrameWnd::OnClose();  // destroys the window and this object; the message loop ends
    return 1;
}

BOOL CMainFrame::OnQueryEndSession()
{
    if (!CFrameWnd::OnQueryEndSession())
        return FALSE;
    SaveWindowPlacement();
    return TRUE;
}

void CMainFrame::OnEndSession(BOOL bEnding)
{
    CFrameWnd::OnEndSession(bEnding);
    if (bEnding)
        StopAllWorkers();
}

// ---- clipboard viewer chain -------------------------------------------------------

void CMainFrame::OnChangeCbChain(HWND hWndRemove, HWND hWndAfter)
{
    CFrameWnd::OnChangeCbChain(hWndRemove, hWndAfter);
    if (hWndRemove == m_hWndNextViewer)
        m_hWndNextViewer = hWndAfter;
    else if (m_hWndNextViewer != nullptr)
        ::SendMessageW(m_hWndNextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(hWndRemove),
                       reinterpret_cast<LPARAM>(hWndAfter));
}

void CMainFrame::OnDrawClipboard()
{
    CFrameWnd::OnDrawClipboard();
    // Setting the timer again restarts it: a burst of changes gives one capture.
    if (m_bViewerRegistered)
        SetTimer(IDT_CLIPBOARD_DEBOUNCE, kCaptureDelay);
    if (m_hWndNextViewer != nullptr)
        ::SendMessageW(m_hWndNextViewer, WM_DRAWCLIPBOARD, 0, 0);
}

void CMainFrame::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == IDT_CLIPBOARD_DEBOUNCE)
    {
        int bDone = m_pfnCaptureHook != nullptr ? m_pfnCaptureHook(this) : SendClipboardData();
        if (bDone)
            KillTimer(IDT_CLIPBOARD_DEBOUNCE);  // else the clipboard was busy: again in 100 ms
    }
    CFrameWnd::OnTimer(nIDEvent);
}
