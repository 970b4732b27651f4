#pragma once
// The receiving server: opens the receive port and hands each connection to
// a new receiver.

#include "afx/Afx.h"
#include "net/CSocketedThread.h"

class CListenerThread : public CSocketedThread
{
public:
    CListenerThread() : m_nProtocolIndex(0), m_nPort(0) {}

    void Run();
    void AcceptLoop();

    int m_nProtocolIndex;  // 0: the IPv4 status line
    int m_nPort;           // the receive port, from the application at start

private:
    // The box about a port that can't be opened; it closes by itself once
    // the listener is stopped.
    void ShowPortBox(const CString& strText);
};

// Starts the one listener on the application's receive port.
void StartListenerThread();
UINT ListenerThreadProc(LPVOID pParam);
UINT ReceiverThreadProc(LPVOID pParam);
