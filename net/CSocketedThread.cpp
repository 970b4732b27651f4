#include "net/CSocketedThread.h"
#include "afx/CWnd.h"
#include "app/AppMessages.h"

void PostThreadStateChanged()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pMainWnd == nullptr)
        return;
    HWND hWnd = pApp->m_pMainWnd->GetSafeHwnd();
    if (hWnd != nullptr)
        ::PostMessageW(hWnd, UWM_THREADSTATECHANGED, 0, 0);
}

void CSocketedThread::SetStatus(int nState)
{
    m_nState = nState;
    PostThreadStateChanged();
}
