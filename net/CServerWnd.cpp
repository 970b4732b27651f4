#include "net/CServerWnd.h"
#include "net/CReceiverThread.h"
#include "app/AppMessages.h"
#include "app/EventLog.h"

BEGIN_MESSAGE_MAP(CServerWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(UWM_STOPSERVERWND, &CServerWnd::OnStopRequest)
    ON_WM_TIMER()
    ON_WM_RENDERFORMAT()
END_MESSAGE_MAP()

CServerWnd::~CServerWnd()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CServerWnd::TryPutOnClipboard()
{
    if (!m_pThread->PutOnClipboard(this))
        return FALSE;
    AddLog(L"【受信可能" + m_pThread->m_strRSAMark + L"】" + m_pThread->m_strPeerName + L" フォーマット: " +
           m_pThread->m_strDelayedFormats);
    m_pThread->SetStatus(1);
    return TRUE;
}

int CServerWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_pThread->m_hServerWnd = m_hWnd;
    // Another program may hold the clipboard: try again every 10 ms.
    if (!TryPutOnClipboard())
        SetTimer(IDT_CLIPBOARD_RETRY, 10, nullptr);
    return 0;
}

void CServerWnd::OnDestroy()
{
    CWnd::OnDestroy();
    m_pThread->m_hServerWnd = nullptr;
}

LRESULT CServerWnd::OnStopRequest(WPARAM, LPARAM)
{
    DestroyWindow();
    return 0;
}

void CServerWnd::OnTimer(UINT_PTR nIDEvent)
{
    // The retry is this window's only timer.
    if (TryPutOnClipboard())
        KillTimer(IDT_CLIPBOARD_RETRY);
    else
        CWnd::OnTimer(nIDEvent);
}

void CServerWnd::OnRenderFormat(UINT nFormat) { m_pThread->RenderFormat(nFormat); }
