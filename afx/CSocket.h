#pragma once
// A blocking stream socket whose blocking calls another thread can cancel.
//
// The handle itself is non-blocking and bound to an event (WSAEventSelect);
// every blocking call tries the operation and, when it would block, waits for
// either the socket's event or the cancel event. CancelBlockingCall only sets
// that event, so it is safe from any thread at any moment: the handle is
// never closed under a call that another thread is inside. A cancel stays in
// force (every later blocking call fails at once with WSAEINTR) until the
// socket is created, attached or closed again.

#include <atomic>

#include "afx/CAsyncSocket.h"
#include "afx/CKernelHandle.h"

class CSocket : public CAsyncSocket
{
public:
    CSocket();
    virtual ~CSocket();

    // Connects to a dotted IPv4 address or a computer name (resolved to IPv4).
    BOOL Connect(LPCWSTR lpszHostAddress, UINT nHostPort);
    // The IPv4 address and port that Connect would use; FALSE with the
    // thread's socket error set.
    static BOOL ResolveIPv4(LPCWSTR lpszHostAddress, UINT nHostPort, sockaddr_in& addr);
    BOOL Connect(const SOCKADDR* lpSockAddr, int nSockAddrLen);
    // Waits for a connection and hands it to rConnectedSocket (attached with
    // the same events as this socket).
    BOOL Accept(CAsyncSocket& rConnectedSocket, SOCKADDR* lpSockAddr = nullptr, int* lpSockAddrLen = nullptr);
    // Sends all nBufLen bytes; returns nBufLen or SOCKET_ERROR.
    int Send(const void* lpBuf, int nBufLen, int nFlags = 0);
    // Receives at most nBufLen bytes; returns the count, 0 when the peer has
    // closed the connection, or SOCKET_ERROR.
    int Receive(void* lpBuf, int nBufLen, int nFlags = 0);

    // Makes the blocking call in progress (and any later one) fail with
    // WSAEINTR. Callable from any thread.
    void CancelBlockingCall();
    BOOL IsBlocking() const { return m_nBlocking != 0; }

    virtual SOCKET Detach();
    virtual void Close();

protected:
    virtual BOOL AsyncSelect(long lEvent);

private:
    // Waits until one of lEvents is reported, or the cancel event. FALSE with
    // the thread's socket error set (WSAEINTR when cancelled).
    BOOL WaitFor(long lEvents);

    CKernelHandle m_hNetEvent;     // bound to the handle by WSAEventSelect
    CKernelHandle m_hCancelEvent;  // manual reset, set by CancelBlockingCall
    long m_lEvent;
    std::atomic<LONG> m_nBlocking;
};
