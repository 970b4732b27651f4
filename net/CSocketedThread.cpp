#include "net/CSocketedThread.h"
#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"

void PostThreadStateChanged()
{
    // Called on the workers' threads: the frame's window as published, since
    // the frame object may be deleted under a read of m_pMainWnd.
    HWND hWnd = theApp.m_hWndFrame;
    if (hWnd != nullptr)
        ::PostMessageW(hWnd, UWM_THREADSTATECHANGED, 0, 0);
}

void CSocketedThread::SetStatus(int nState)
{
    m_nState = nState;
    PostThreadStateChanged();
}
