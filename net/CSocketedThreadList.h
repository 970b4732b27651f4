#pragma once
// A locked list of workers of one kind: add, remove, stop all, tray state.

#include "afx/Afx.h"
#include "app/CAdoPtr.h"
#include "net/CSocketedThread.h"

typedef CAdoPtr<CSocketedThread> CSocketedThreadPtr;

class CSocketedThreadList : public CList<CSocketedThreadPtr, CSocketedThreadPtr&>
{
public:
    CSocketedThreadList();
    virtual ~CSocketedThreadList();

    void Add(CSocketedThread* pThread);
    void Remove(CSocketedThread* pThread);
    // Stops every worker in the list now. With bWait, returns once the
    // threads of all of them have ended; without, gives up after ten looks
    // (at most about 100 ms; sooner when threads end between them). With
    // pNewer, only the workers added before it (all when it isn't listed).
    void StopAll(BOOL bWait, CSocketedThread* pNewer = nullptr);
    // As StopAll with waiting, but gives up after nMaxWaitMs: a worker can sit
    // in a call that the abort can't interrupt. FALSE when one was left running.
    BOOL StopAllWithin(DWORD nMaxWaitMs);
    // 2 if any worker transfers, else 1 if any holds or waits, else 0.
    int GetStatus();
    int GetCountLocked();

    CMutex m_mutex;

private:
    // Stop, then abort and wait on the threads, looking again at least every
    // 10 ms, until all have ended, or nMaxPasses passes (-1: any number) or
    // nMaxWaitMs have gone by.
    BOOL StopAndWait(int nMaxPasses, DWORD nMaxWaitMs, CSocketedThread* pNewer);
};

extern CSocketedThreadList SenderThreadList;
extern CSocketedThreadList ListenerThreadList;
extern CSocketedThreadList ReceiverThreadList;

typedef CWinThread* (*PFN_BEGINTHREAD)(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);

// Starts the worker's thread (normal priority, default stack), with the
// worker holding the thread's handle and added to pList before the thread
// runs. When that can't be done the worker is finished here as its thread
// would have finished it, and not listed, so no StopAll waits for it; FALSE
// then. A worker that nothing else holds is deleted then. pfnBeginThread is
// called with CREATE_SUSPENDED.
BOOL StartWorkerThread(CSocketedThreadList* pList, CSocketedThread* pThread, AFX_THREADPROC pfnThreadProc,
                       PFN_BEGINTHREAD pfnBeginThread = AfxBeginThread);

// The end of the program: stops the listener, the receivers and the senders,
// in that order, waiting at most nMaxWaitMs for all their threads to end. FALSE
// when a worker was left running (stuck in a name lookup, or in a clipboard
// call while another program holds the clipboard and hangs).
BOOL StopAllWorkersWithin(DWORD nMaxWaitMs);
// TRUE once StopAllWorkersWithin left a worker running. That worker still uses
// its own object, its list, the log queue and the application object, so the
// process must then end without destroying them under it.
BOOL WorkersLeftRunning();
