#pragma once
// A socket handle with the calls that every socket kind shares. The blocking
// behaviour is in CSocket; this class itself never waits.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

// All six network events: read, write, out-of-band, accept, connect, close.
#define AFX_SOCKET_ALL_EVENTS (FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE)

// Starts Windows Sockets 2.2 for the calling thread's use. May be called more
// than once; every call is matched by the process's end.
BOOL AfxSocketInit(WSADATA* lpwsaData = nullptr);

class CAsyncSocket
{
public:
    CAsyncSocket();
    virtual ~CAsyncSocket();

    // socket() and, when nSocketPort or an address is given or the socket is
    // a listener, bind() to it (any local IPv4 address when lpszSocketAddress
    // is NULL). lEvent is the set of network events the socket reports.
    BOOL Create(UINT nSocketPort = 0, int nSocketType = SOCK_STREAM, long lEvent = AFX_SOCKET_ALL_EVENTS,
                LPCWSTR lpszSocketAddress = nullptr);
    // Takes over an open handle (for example one accepted on another thread).
    BOOL Attach(SOCKET hSocket, long lEvent = AFX_SOCKET_ALL_EVENTS);
    // Gives the handle up without closing it.
    virtual SOCKET Detach();
    virtual void Close();

    BOOL Listen(int nConnectionBacklog = 5);
    BOOL GetPeerName(SOCKADDR* lpSockAddr, int* lpSockAddrLen) const;
    BOOL GetSockName(SOCKADDR* lpSockAddr, int* lpSockAddrLen) const;
    BOOL SetSockOpt(int nOptionName, const void* lpOptionValue, int nOptionLen, int nLevel = SOL_SOCKET);

    SOCKET m_hSocket;

protected:
    // Called once a handle is held; a derived class registers its events here.
    virtual BOOL AsyncSelect(long lEvent);

private:
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;
};
