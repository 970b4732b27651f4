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
    // Stops every worker in the list now. With bWait, returns once all of
    // them have finished; without, gives up after about 100 ms. With
    // pNewer, only the workers added before it (all when it isn't listed).
    void StopAll(BOOL bWait, CSocketedThread* pNewer = NULL);
    // 2 if any worker transfers, else 1 if any holds or waits, else 0.
    int GetStatus();
    int GetCountLocked();

    CMutex m_mutex;
};

extern CSocketedThreadList SenderThreadList;
extern CSocketedThreadList ListenerThreadList;
extern CSocketedThreadList ReceiverThreadList;

typedef CWinThread* (*PFN_BEGINTHREAD)(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);

// Adds the worker to pList and starts its thread (normal priority, default
// stack, running at once). When the thread can't be started the worker is
// marked finished and removed again, so no StopAll waits for it; FALSE then.
// A worker that nothing else holds is deleted then.
BOOL StartWorkerThread(CSocketedThreadList* pList, CSocketedThread* pThread,
                       AFX_THREADPROC pfnThreadProc, PFN_BEGINTHREAD pfnBeginThread = AfxBeginThread);
