#pragma once
// The life of a worker's thread, held by its thread procedure from its first
// step: a reference of its own on the worker, and on every way out, an
// escaping exception included, the socket closed, the worker marked finished
// and removed from its list, in that order. StopAll waits for the finished
// mark, so no way out may skip it.

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
    // one log line instead of leaving the thread with the worker unfinished.
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

private:
    CWorkerThreadScope(const CWorkerThreadScope&) = delete;
    CWorkerThreadScope& operator=(const CWorkerThreadScope&) = delete;

    void ReportEscaped() noexcept;

    static PFN_ENTERHOOK s_pfnEnterHook;

    CSocketedThreadList* m_pList;
    CAdoPtr<CSocketedThread> m_pThread;
    LPCWSTR m_pszKind;
};
