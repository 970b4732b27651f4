#pragma once
// The receiving server: opens the receive port and hands each connection to
// a new receiver.

#include "afx/Afx.h"
#include "net/CSocketedThread.h"
#include <atomic>

class CListenerThread : public CSocketedThread
{
public:
    CListenerThread() : m_nProtocolIndex(0), m_nPort(0) {}

    void Run();
    void AcceptLoop();

    int m_nProtocolIndex;  // 0: the IPv4 status line
    int m_nPort;           // the receive port, from the application at start

    // The port this computer really listens on, 0 while it listens on none
    // (also while the box about a port that can't be opened is up).
    static int ListeningPort() { return s_nListeningPort; }

private:
    // The box about a port that can't be opened; it closes by itself once
    // the listener is stopped.
    void ShowPortBox(const CString& strText);

    static std::atomic<int> s_nListeningPort;
};

// Starts the one listener on the application's receive port.
void StartListenerThread();
UINT ListenerThreadProc(LPVOID pParam);
UINT ReceiverThreadProc(LPVOID pParam);
