#include "net/CSocketedThreadList.h"
#include "net/CWorkerThreadScope.h"

// Built before the application object (it is the first of the program's own
// globals); the other two follow it, in this order.
__attribute__((init_priority(1000))) CSocketedThreadList SenderThreadList;
CSocketedThreadList ListenerThreadList;
CSocketedThreadList ReceiverThreadList;

CSocketedThreadList::CSocketedThreadList() : CList(10) {}

CSocketedThreadList::~CSocketedThreadList() { RemoveAll(); }

void CSocketedThreadList::Add(CSocketedThread* pThread)
{
    {
        CSingleLock lock(&m_mutex, TRUE);
        CSocketedThreadPtr p(pThread);
        AddTail(p);
    }
    PostThreadStateChanged();
}

void CSocketedThreadList::Remove(CSocketedThread* pThread)
{
    {
        // The reference leaves the list under the lock but is released after
        // it: a last release deletes the worker, which must not happen while
        // the list is locked.
        CSocketedThreadPtr pReleased;
        CSingleLock lock(&m_mutex, TRUE);
        for (POSITION pos = GetHeadPosition(); pos != nullptr;)
        {
            POSITION posThis = pos;
            CSocketedThreadPtr& p = GetNext(pos);
            if (p.Get() == pThread)
            {
                pReleased = p;
                RemoveAt(posThis);
                break;
            }
        }
        lock.Unlock();
    }
    PostThreadStateChanged();
}

void CSocketedThreadList::StopAll(BOOL bWait, CSocketedThread* pNewer)
{
    StopAndWait(bWait ? -1 : 10, INFINITE, pNewer);
}

BOOL CSocketedThreadList::StopAllWithin(DWORD nMaxWaitMs) { return StopAndWait(-1, nMaxWaitMs, nullptr); }

BOOL CSocketedThreadList::StopAndWait(int nMaxPasses, DWORD nMaxWaitMs, CSocketedThread* pNewer)
{
    CList<CSocketedThreadPtr, CSocketedThreadPtr&> snapshot(10);
    {
        CSingleLock lock(&m_mutex, TRUE);
        for (POSITION pos = GetHeadPosition(); pos != nullptr;)
        {
            CSocketedThreadPtr& p = GetNext(pos);
            if (p.Get() == pNewer)
                break;
            p->Stop();
            snapshot.AddTail(p);
        }
    }

    DWORD dwStart = ::GetTickCount();
    for (int nPass = 0;; ++nPass)
    {
        if (nMaxPasses >= 0 && nPass >= nMaxPasses)
            break;
        for (POSITION pos = snapshot.GetHeadPosition(); pos != nullptr;)
        {
            POSITION posThis = pos;
            CSocketedThreadPtr& p = snapshot.GetNext(pos);
            if (p->m_bFinished)
                snapshot.RemoveAt(posThis);
            else
                p->m_socket.Abort();
        }
        if (snapshot.IsEmpty())
            break;
        if (nMaxWaitMs != INFINITE && ::GetTickCount() - dwStart >= nMaxWaitMs)
            break;
        ::Sleep(10);
    }
    BOOL bAllFinished = snapshot.IsEmpty();
    // A worker left running keeps its own reference and the list's.
    snapshot.RemoveAll();
    return bAllFinished;
}

int CSocketedThreadList::GetStatus()
{
    CSingleLock lock(&m_mutex, TRUE);
    int nStatus = 0;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;)
    {
        int nState = GetNext(pos)->m_nState;
        if (nState == 2)
            return 2;
        if (nState == 1)
            nStatus = 1;
    }
    return nStatus;
}

int CSocketedThreadList::GetCountLocked()
{
    CSingleLock lock(&m_mutex, TRUE);
    return static_cast<int>(GetCount());
}

BOOL StartWorkerThread(CSocketedThreadList* pList, CSocketedThread* pThread, AFX_THREADPROC pfnThreadProc,
                       PFN_BEGINTHREAD pfnBeginThread)
{
    // Held here too, so that a worker that never gets going is deleted on
    // the way out (a new worker has no other owner yet).
    CAdoPtr<CSocketedThread> hold(pThread);
    CWinThread* pWinThread = nullptr;
    try
    {
        // The list's reference keeps the worker alive until it is removed.
        pList->Add(pThread);
        pWinThread = pfnBeginThread(pfnThreadProc, pThread, THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
    }
    catch (CException&)
    {
        pWinThread = nullptr;
    }
    if (pWinThread != nullptr)
        return TRUE;
    // No thread will ever finish this worker: finish it here as its thread
    // would have, so that no StopAll waits for it.
    {
        CWorkerThreadScope finish(pList, pThread, L"");
    }
    return FALSE;
}

namespace {
std::atomic<BOOL> g_bWorkersLeftRunning(FALSE);
}

BOOL StopAllWorkersWithin(DWORD nMaxWaitMs)
{
    DWORD dwStart = ::GetTickCount();
    BOOL bAllFinished = TRUE;
    CSocketedThreadList* lists[] = {&ListenerThreadList, &ReceiverThreadList, &SenderThreadList};
    for (CSocketedThreadList* pList : lists)
    {
        // A list after one that used up the time still gets its stop and one
        // abort pass.
        DWORD dwElapsed = ::GetTickCount() - dwStart;
        if (!pList->StopAllWithin(dwElapsed < nMaxWaitMs ? nMaxWaitMs - dwElapsed : 0))
            bAllFinished = FALSE;
    }
    if (!bAllFinished)
    {
        g_bWorkersLeftRunning = TRUE;
        ::OutputDebugStringW(L"the end of the program left a worker running\n");
    }
    return bAllFinished;
}

BOOL WorkersLeftRunning() { return g_bWorkersLeftRunning; }
