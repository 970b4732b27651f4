#pragma once
// The receiving server: opens the receive port and hands each connection to
// a new receiver.

#include "afx/Afx.h"
#include "net/CSocketedThread.h"

class CListenerThread : public CSocketedThread
{
public:
    CListenerThread() : m_nProtocolIndex(0), m_nPort(0), m_nThreadId(0) {}

    // Also closes the box that reports a port that can't be opened: the
    // listener waits in it, and the end of the program waits for the listener.
    virtual void Stop();

    void Run();
    void AcceptLoop();

    int m_nProtocolIndex;   // 0: the IPv4 status line
    int m_nPort;            // the receive port, from the application at start
    std::atomic<DWORD> m_nThreadId;   // the listener's thread once Run began
};

// Starts the one listener on the application's receive port.
void StartListenerThread();
UINT ListenerThreadProc(LPVOID pParam);
UINT ReceiverThreadProc(LPVOID pParam);
