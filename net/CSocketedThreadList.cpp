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
        // Every pass aborts again: a worker may have opened its socket since.
        HANDLE handles[MAXIMUM_WAIT_OBJECTS];
        DWORD nHandles = 0;
        for (POSITION pos = snapshot.GetHeadPosition(); pos != nullptr;)
        {
            POSITION posThis = pos;
            CSocketedThreadPtr& p = snapshot.GetNext(pos);
            if (p->HasEnded())
            {
                snapshot.RemoveAt(posThis);
                continue;
            }
            p->m_socket.Abort();
            if (p->m_hThread.IsValid() && nHandles < MAXIMUM_WAIT_OBJECTS)
                handles[nHandles++] = p->m_hThread;
        }
        if (snapshot.IsEmpty())
            break;
        DWORD dwWait = 10;
        if (nMaxWaitMs != INFINITE)
        {
            DWORD dwElapsed = ::GetTickCount() - dwStart;
            if (dwElapsed >= nMaxWaitMs)
                break;
            if (nMaxWaitMs - dwElapsed < dwWait)
                dwWait = nMaxWaitMs - dwElapsed;
        }
        // Wakes as soon as one of the first 64 ends; the rest are looked at
        // again on the next pass.
        if (nHandles > 0)
            ::WaitForMultipleObjects(nHandles, handles, FALSE, dwWait);
        else
            ::Sleep(dwWait);
    }
    BOOL bAllEnded = snapshot.IsEmpty();
    // A worker left running keeps its own reference and the list's.
    snapshot.RemoveAll();
    return bAllEnded;
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

namespace {

// What a thread created for a worker runs instead when the worker can't be
// set up for it: it ends at once, and its object with it.
UINT NoJobProc(LPVOID) { return 0; }

}  // namespace

BOOL StartWorkerThread(CSocketedThreadList* pList, CSocketedThread* pThread, AFX_THREADPROC pfnThreadProc,
                       PFN_BEGINTHREAD pfnBeginThread)
{
    // Held here too, so that a worker that never gets going is deleted on
    // the way out (a new worker has no other owner yet).
    CAdoPtr<CSocketedThread> hold(pThread);
    // Suspended until the worker holds its thread's handle and is listed: a
    // stop that finds the worker then can wait for the thread, and the
    // thread's own Remove finds it listed.
    CWinThread* pWinThread = nullptr;
    try
    {
        pWinThread = pfnBeginThread(pfnThreadProc, pThread, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
    }
    catch (CException&)
    {
        pWinThread = nullptr;
    }
    BOOL bStarted = FALSE;
    if (pWinThread != nullptr)
    {
        HANDLE hThread = nullptr;
        if (::DuplicateHandle(::GetCurrentProcess(), pWinThread->m_hThread, ::GetCurrentProcess(), &hThread,
                              SYNCHRONIZE, FALSE, 0))
        {
            pThread->m_hThread.Reset(hThread);
            try
            {
                // The list's reference keeps the worker alive until it is removed.
                pList->Add(pThread);
                bStarted = TRUE;
            }
            catch (CException&)
            {
                // No memory for the list entry: the worker isn't started.
            }
        }
        if (!bStarted)
            pWinThread->m_pfnThreadProc = NoJobProc;
        pWinThread->ResumeThread();  // the thread may delete pWinThread from here on
    }
    if (bStarted)
        return TRUE;
    // No thread will ever finish this worker: finish it here as its thread
    // would have.
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
    BOOL bAllEnded = TRUE;
    CSocketedThreadList* lists[] = {&ListenerThreadList, &ReceiverThreadList, &SenderThreadList};
    for (CSocketedThreadList* pList : lists)
    {
        // A list after one that used up the time still gets its stop and one
        // abort pass.
        DWORD dwElapsed = ::GetTickCount() - dwStart;
        if (!pList->StopAllWithin(dwElapsed < nMaxWaitMs ? nMaxWaitMs - dwElapsed : 0))
            bAllEnded = FALSE;
    }
    if (!bAllEnded)
    {
        g_bWorkersLeftRunning = TRUE;
        ::OutputDebugStringW(L"the end of the program left a worker running\n");
    }
    return bAllEnded;
}

BOOL WorkersLeftRunning() { return g_bWorkersLeftRunning; }
