#pragma once
#include <windows.h>

#include "afx/CKernelHandle.h"

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// A thread started by AfxBeginThread. With m_bAutoDelete (the default) the
// object deletes itself when the thread ends, so the caller must not touch
// the returned pointer after the thread may have ended. A CException that
// escapes the procedure ends the thread with exit code (UINT)-1.
class CWinThread
{
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    virtual ~CWinThread();

    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    // Called on the thread once its procedure has returned.
    virtual void Delete();

    BOOL m_bAutoDelete = TRUE;
    CKernelHandle m_hThread;
    DWORD m_nThreadID = 0;
    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;

private:
    static unsigned __stdcall ThreadEntry(void* pThis);
};

// Starts pfnThreadProc(pParam) at nPriority; the priority is set before the
// thread runs. CREATE_SUSPENDED in dwCreateFlags leaves it suspended. NULL when
// the thread can't be created.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
