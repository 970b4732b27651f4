#pragma once
// The life of a worker's thread, held by its thread procedure from its first
// step: a reference of its own on the worker, and on every way out, an
// escaping exception included, the socket closed and the worker removed from
// its list, in that order. StopAll waits for the thread itself, not for a
// mark set on the way out: until the thread has ended it may still be in the
// list, the log queue or the application object.

#include "afx/Afx.h"
#include "app/CAdoPtr.h"
#include "net/CSocketedThread.h"

class CSocketedThreadList;

class CWorkerThreadScope
{
public:
    // pszKind names the worker in the log line about an escaped exception.
    CWorkerThreadScope(CSocketedThreadList* pList, CSocketedThread* pThread, LPCWSTR pszKind);
    ~CWorkerThreadScope();

    // Runs the worker's job. An exception that escapes it ends the job with
    // one log line instead of leaving the thread with the worker still listed.
    template <class TJob>
    void Run(TJob job)
    {
        try
        {
            if (s_pfnEnterHook != nullptr)
                s_pfnEnterHook(m_pThread.Get());
            job();
        }
        catch (...)
        {
            ReportEscaped();
        }
    }

    // Test seam: called on the worker's thread before its job; a test makes
    // a worker throw or block there. Returns the previous hook.
    typedef void (*PFN_ENTERHOOK)(CSocketedThread* pThread);
    static PFN_ENTERHOOK SetEnterHook(PFN_ENTERHOOK pfn);
    // Test seam: called on the worker's thread once its job is over, just
    // before it leaves its list. Returns the previous hook.
    typedef PFN_ENTERHOOK PFN_LEAVEHOOK;
    static PFN_LEAVEHOOK SetLeaveHook(PFN_LEAVEHOOK pfn);

private:
    CWorkerThreadScope(const CWorkerThreadScope&) = delete;
    CWorkerThreadScope& operator=(const CWorkerThreadScope&) = delete;

    void ReportEscaped() noexcept;

    static PFN_ENTERHOOK s_pfnEnterHook;
    static PFN_LEAVEHOOK s_pfnLeaveHook;

    CSocketedThreadList* m_pList;
    CAdoPtr<CSocketedThread> m_pThread;
    LPCWSTR m_pszKind;
};
