#include "ui/CMainDialog.h"

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "app/HelpPage.h"
#include "res/resource.h"
#include "ui/SettingsSheet.h"

namespace {

// Which edges of a control follow the dialog's growth.
enum
{
    ANCHOR_LEFT = 1,
    ANCHOR_RIGHT = 2,
    ANCHOR_TOP = 4,
    ANCHOR_BOTTOM = 8,
};

struct ANCHOR
{
    int nID;
    UINT nFlags;
};

const ANCHOR kAnchors[] = {
    {IDC_MAIN_STATUS_IPV4, ANCHOR_RIGHT},
    {IDC_MAIN_LOG, ANCHOR_RIGHT | ANCHOR_BOTTOM},
    {IDC_MAIN_CLOSE, ANCHOR_TOP | ANCHOR_BOTTOM},
    {IDC_MAIN_SETTINGS, ANCHOR_TOP | ANCHOR_BOTTOM},
    {IDC_MAIN_CLEAR_LOG, ANCHOR_TOP | ANCHOR_BOTTOM},
    {IDC_MAIN_END_RESIDENT, ANCHOR_TOP | ANCHOR_BOTTOM},
    {IDC_MAIN_HELP, ANCHOR_TOP | ANCHOR_BOTTOM},
    {IDC_MAIN_VERSION, ANCHOR_TOP | ANCHOR_BOTTOM},
};

const wchar_t kVersion[] = L"3.0.0.1";

}  // namespace

IMPLEMENT_DYNAMIC(CMainDialog, CDialog)

BEGIN_MESSAGE_MAP(CMainDialog, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(IDC_MAIN_SETTINGS, &CMainDialog::OnSettings)
    ON_WM_DESTROY()
    ON_MESSAGE(UWM_LOGQUEUED, &CMainDialog::OnLogQueued)
    ON_MESSAGE(UWM_SERVERSTATUSQUEUED, &CMainDialog::OnServerStatusQueued)
    ON_BN_CLICKED(IDC_MAIN_END_RESIDENT, &CMainDialog::OnEndResident)
    ON_BN_CLICKED(IDC_MAIN_CLOSE, &CMainDialog::OnCloseWindow)
    ON_BN_CLICKED(IDC_MAIN_CLEAR_LOG, &CMainDialog::OnClearLog)
    ON_BN_CLICKED(IDC_MAIN_HELP, &CMainDialog::OnOpenHelp)
END_MESSAGE_MAP()

CMainDialog::CMainDialog(CWnd* pParent) : CDialog(IDD_MAIN_DIALOG, pParent) {}

CMainDialog::~CMainDialog()
{
    // While this is still a CMainDialog, so that OnDestroy withdraws MainDialogWnd.
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CMainDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAIN_LOG, m_editLog);
    DDX_Control(pDX, IDC_MAIN_STATUS_IPV4, m_staticIPv4);
    DDX_Control(pDX, IDC_MAIN_STATUS_IPV6, m_staticIPv6);
    DDX_Control(pDX, IDC_MAIN_VERSION, m_staticVersion);
    DDX_Control(pDX, IDC_MAIN_IPV6_LABEL, m_staticIPv6Label);
}

BOOL CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    MainDialogWnd = m_hWnd;

    GetClientRect(&m_rcInitialClient);
    int w = m_rcInitialClient.Width();
    int h = m_rcInitialClient.Height();
    theApp.m_nDefaultWidth = (4 * w) / 3;
    theApp.m_nDefaultHeight = (4 * h) / 3;
    theApp.m_nMinWidth = w;
    theApp.m_nMinHeight = h;
    theApp.m_bDialogSizeKnown = TRUE;

    m_arrAnchorRects.RemoveAll();
    for (const ANCHOR& anchor : kAnchors)
    {
        CRect rc;
        ::GetWindowRect(::GetDlgItem(m_hWnd, anchor.nID), &rc);
        ScreenToClient(&rc);
        m_arrAnchorRects.Add(rc);
    }

    // This release has no IPv6 server.
    m_staticIPv6Label.ShowWindow(SW_HIDE);
    m_staticIPv6.ShowWindow(SW_HIDE);

    CString strVersion;
    m_staticVersion.GetWindowText(strVersion);
    strVersion += kVersion;
    strVersion += L" (";
    strVersion += sizeof(void*) == 8 ? L"64bit" : L"32bit";
    strVersion += L")";
    m_staticVersion.SetWindowText(strVersion);

    m_editLog.SetLimitText(kLogLimit);
    return TRUE;
}

void CMainDialog::OnOK() {}

void CMainDialog::OnCancel() {}

BOOL CMainDialog::PreTranslateMessage(MSG* pMsg)
{
    // OnOK alone can't keep Enter away: the dialog manager turns it into a
    // click on the focused or the default push button (閉じる), and the log
    // passes its Enter on to that button and its Esc to the dialog as WM_CLOSE.
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CMainDialog::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    if (m_arrAnchorRects.IsEmpty())
        return;  // before OnInitDialog
    // Always from the initial layout, so that shrinking and growing never drift.
    int dx = cx - m_rcInitialClient.right;
    int dy = cy - m_rcInitialClient.bottom;
    for (INT_PTR i = 0; i < m_arrAnchorRects.GetSize() && i < static_cast<INT_PTR>(ARRAYSIZE(kAnchors)); i++)
    {
        CRect rc = m_arrAnchorRects[i];
        UINT nFlags = kAnchors[i].nFlags;
        if (nFlags & ANCHOR_LEFT)
            rc.left += dx;
        if (nFlags & ANCHOR_RIGHT)
            rc.right += dx;
        if (nFlags & ANCHOR_TOP)
            rc.top += dy;
        if (nFlags & ANCHOR_BOTTOM)
            rc.bottom += dy;
        HWND hWndControl = ::GetDlgItem(m_hWnd, kAnchors[i].nID);
        ::MoveWindow(hWndControl, rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
        ::RedrawWindow(hWndControl, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
}

void CMainDialog::OnSettings() { RunSettingsSheetFromMainDialog(); }

void CMainDialog::OnDestroy()
{
    CDialog::OnDestroy();
    HWND hWndMine = m_hWnd;
    MainDialogWnd.compare_exchange_strong(hWndMine, nullptr);
}

void CMainDialog::AppendLogLine(const CString& strLine)
{
    int n = m_editLog.GetWindowTextLength();
    if (n > kLogTrimThreshold)
    {
        CString strText;
        m_editLog.GetWindowText(strText);
        int nFeed = strText.Find(L'\n', n - kLogKeep);
        strText = nFeed >= 0 ? strText.Mid(nFeed + 1) : CString();
        m_editLog.SetWindowText(strText);
        n = m_editLog.GetWindowTextLength();
    }
    // The edit would cut a line that does not fit its limit: make room for
    // the whole line; the next trim brings the log back to size.
    UINT nNeeded = static_cast<UINT>(n) + static_cast<UINT>(strLine.GetLength());
    UINT nLimit = nNeeded > static_cast<UINT>(kLogLimit) ? nNeeded : static_cast<UINT>(kLogLimit);
    if (m_editLog.GetLimitText() != nLimit)
        m_editLog.SetLimitText(nLimit);
    m_editLog.SetSel(n, n, TRUE);
    m_editLog.SendMessage(EM_SCROLLCARET);
    m_editLog.ReplaceSel(strLine, FALSE);
}

LRESULT CMainDialog::OnLogQueued(WPARAM wParam, LPARAM lParam)
{
    for (;;)
    {
        CString* pLine = LogQueue.Pop();
        if (pLine == nullptr)
            return 1;
        AppendLogLine(*pLine);
        delete pLine;
    }
}

LRESULT CMainDialog::OnServerStatusQueued(WPARAM wParam, LPARAM lParam)
{
    for (;;)
    {
        CServerStatusQueueItem* pItem = ServerStatusQueue.Pop();
        if (pItem == nullptr)
            return 1;
        (pItem->m_bIPv6 ? m_staticIPv6 : m_staticIPv4).SetWindowText(pItem->m_strText);
        delete pItem;
    }
}

HWND CMainDialog::MainWindow() const
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd != nullptr)
        return pApp->m_pMainWnd->m_hWnd;
    return ::GetAncestor(m_hWnd, GA_ROOT);  // the frame that hosts this dialog
}

void CMainDialog::OnEndResident() { ::PostMessageW(MainWindow(), UWM_ENDRESIDENT, 0, 0); }

void CMainDialog::OnCloseWindow() { ::PostMessageW(MainWindow(), WM_CLOSE, 0, 0); }

void CMainDialog::OnClearLog() { m_editLog.SetWindowText(L""); }

void CMainDialog::OnOpenHelp() { OpenHelpPage(L""); }
