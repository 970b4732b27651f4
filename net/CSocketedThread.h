#pragma once
// Base of every network worker: reference-counted, with a stop flag, a
// finished flag, its socket and the state that the tray icon shows.

#include "afx/Afx.h"
#include "app/CAdo.h"
#include "net/CSocketX.h"
#include <atomic>

class CSocketedThread : public CAdo
{
public:
    CSocketedThread() : m_bStop(0), m_bFinished(0), m_nState(0) {}
    virtual ~CSocketedThread() {}

    // Asks the worker to stop; never blocks (called under a list lock).
    virtual void Stop() { m_bStop = 1; }
    // Sets the tray state (0 idle, 1 holding or waiting, 2 transferring) and
    // tells the main frame.
    void SetStatus(int nState);

    std::atomic<int> m_bStop;
    std::atomic<int> m_bFinished;
    CSocketX m_socket;
    std::atomic<int> m_nState;
};

// Posts UWM_THREADSTATECHANGED to the main frame when there is one.
void PostThreadStateChanged();
