#include "afx/CWinThread.h"

#include <process.h>

#include "afx/CException.h"

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam)
{}

CWinThread::~CWinThread() = default;

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    // Always created suspended, so that m_hThread is set before the thread can
    // delete this object; it is resumed here unless the caller asked otherwise.
    unsigned id = 0;
    uintptr_t h =
        _beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, this, dwCreateFlags | CREATE_SUSPENDED, &id);
    if (!h)
        return FALSE;
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ResumeThread();
    return TRUE;
}

void CWinThread::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

unsigned __stdcall CWinThread::ThreadEntry(void* pThis)
{
    CWinThread* pThread = static_cast<CWinThread*>(pThis);
    UINT nResult = static_cast<UINT>(-1);
    try
    {
        nResult = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
    }
    catch (CException&)
    {
        // A framework exception nobody caught ends this thread, not the program.
        OutputDebugStringW(L"thread ended by an uncaught framework exception\n");
    }
    pThread->Delete();
    return nResult;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (!pfnThreadProc)
        return nullptr;
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs))
    {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}
