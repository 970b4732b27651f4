#pragma once
// Base of every network worker: reference-counted, with a stop flag, its
// thread, its socket and the state that the tray icon shows.

#include "afx/Afx.h"
#include "afx/CKernelHandle.h"
#include "app/CAdo.h"
#include "net/CSocketX.h"
#include <atomic>

class CSocketedThread : public CAdo
{
public:
    CSocketedThread() : m_bStop(0), m_nState(0) {}
    virtual ~CSocketedThread() {}

    // Asks the worker to stop; never blocks (called under a list lock).
    virtual void Stop() { m_bStop = 1; }
    // Sets the tray state (0 idle, 1 holding or waiting, 2 transferring) and
    // tells the main frame.
    void SetStatus(int nState);
    // TRUE once the worker's thread has ended. A worker without a thread
    // handle can't be shown to have ended and counts as running.
    BOOL HasEnded() const { return m_hThread.IsValid() && ::WaitForSingleObject(m_hThread, 0) == WAIT_OBJECT_0; }

    std::atomic<int> m_bStop;
    // The worker's thread (SYNCHRONIZE only), for the stop to wait on: it
    // has ended only when its thread has, whatever it did last. Set before
    // the worker is listed and never changed after, so it is read unlocked.
    CKernelHandle m_hThread;
    CSocketX m_socket;
    std::atomic<int> m_nState;
};

// Posts UWM_THREADSTATECHANGED to the main frame's window when there is one.
void PostThreadStateChanged();
