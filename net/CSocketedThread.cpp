#include "net/CSocketedThread.h"
#include "afx/CWnd.h"
#include "app/AppMessages.h"

void PostThreadStateChanged()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL || pApp->m_pMainWnd == NULL)
        return;
    HWND hWnd = pApp->m_pMainWnd->GetSafeHwnd();
    if (hWnd != NULL)
        ::PostMessageW(hWnd, UWM_THREADSTATECHANGED, 0, 0);
}

void CSocketedThread::SetStatus(int nState)
{
    m_nState = nState;
    PostThreadStateChanged();
}
