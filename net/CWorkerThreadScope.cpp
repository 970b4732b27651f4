#include "net/CWorkerThreadScope.h"
#include "net/CSocketedThreadList.h"
#include "app/EventLog.h"

// Written by tests before any worker starts; read by the workers.
CWorkerThreadScope::PFN_ENTERHOOK CWorkerThreadScope::s_pfnEnterHook = nullptr;
CWorkerThreadScope::PFN_LEAVEHOOK CWorkerThreadScope::s_pfnLeaveHook = nullptr;

CWorkerThreadScope::CWorkerThreadScope(CSocketedThreadList* pList, CSocketedThread* pThread, LPCWSTR pszKind)
    : m_pList(pList), m_pThread(pThread), m_pszKind(pszKind)
{}

CWorkerThreadScope::~CWorkerThreadScope()
{
    CSocketedThread* pThread = m_pThread.Get();
    pThread->m_socket.Close();  // a job that closed it already leaves nothing to close
    if (s_pfnLeaveHook != nullptr)
        s_pfnLeaveHook(pThread);
    try
    {
        m_pList->Remove(pThread);
    }
    catch (...)
    {
        // Still listed: StopAll drops it once its thread has ended.
        ::OutputDebugStringW(L"a finished worker could not leave its list\n");
    }
    // m_pThread lets go of the thread's own reference last: the worker may be
    // deleted here.
}

void CWorkerThreadScope::ReportEscaped() noexcept
{
    try
    {
        AddLog(CString(L"【エラー】") + m_pszKind + L"スレッドが予期しない例外で終了しました。");
    }
    catch (...)
    {
        // The log itself failed (no memory): the debugger output is all that is left.
        ::OutputDebugStringW(L"a worker ended by an exception; the log line failed too\n");
    }
}

CWorkerThreadScope::PFN_ENTERHOOK CWorkerThreadScope::SetEnterHook(PFN_ENTERHOOK pfn)
{
    PFN_ENTERHOOK pfnOld = s_pfnEnterHook;
    s_pfnEnterHook = pfn;
    return pfnOld;
}

CWorkerThreadScope::PFN_LEAVEHOOK CWorkerThreadScope::SetLeaveHook(PFN_LEAVEHOOK pfn)
{
    PFN_LEAVEHOOK pfnOld = s_pfnLeaveHook;
    s_pfnLeaveHook = pfn;
    return pfnOld;
}
