#include "afx/CAsyncSocket.h"

BOOL AfxSocketInit(WSADATA* lpwsaData)
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return FALSE;
    if (lpwsaData != nullptr)
        *lpwsaData = data;
    return TRUE;
}

CAsyncSocket::CAsyncSocket() : m_hSocket(INVALID_SOCKET) {}

CAsyncSocket::~CAsyncSocket()
{
    if (m_hSocket != INVALID_SOCKET)
        ::closesocket(m_hSocket);
}

BOOL CAsyncSocket::Create(UINT nSocketPort, int nSocketType, long lEvent, LPCWSTR lpszSocketAddress)
{
    if (m_hSocket != INVALID_SOCKET)
    {
        ::WSASetLastError(WSAEISCONN);
        return FALSE;
    }
    // A port read from the settings is not range-checked; one beyond 16 bits
    // must fail, not wrap round to another port.
    if (nSocketPort > 65535)
    {
        ::WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    SOCKET h = ::socket(AF_INET, nSocketType, 0);
    if (h == INVALID_SOCKET)
        return FALSE;

    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(nSocketPort));
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (lpszSocketAddress != nullptr && ::InetPtonW(AF_INET, lpszSocketAddress, &addr.sin_addr) != 1)
    {
        ::closesocket(h);
        ::WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    if (::bind(h, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0)
    {
        int nError = ::WSAGetLastError();
        ::closesocket(h);
        ::WSASetLastError(nError);
        return FALSE;
    }
    m_hSocket = h;
    if (!AsyncSelect(lEvent))
    {
        int nError = ::WSAGetLastError();
        Close();
        ::WSASetLastError(nError);
        return FALSE;
    }
    return TRUE;
}

BOOL CAsyncSocket::Attach(SOCKET hSocket, long lEvent)
{
    if (hSocket == INVALID_SOCKET)
    {
        ::WSASetLastError(WSAENOTSOCK);
        return FALSE;
    }
    m_hSocket = hSocket;
    return AsyncSelect(lEvent);
}

SOCKET CAsyncSocket::Detach()
{
    SOCKET h = m_hSocket;
    m_hSocket = INVALID_SOCKET;
    return h;
}

void CAsyncSocket::Close()
{
    if (m_hSocket != INVALID_SOCKET)
    {
        ::closesocket(m_hSocket);
        m_hSocket = INVALID_SOCKET;
    }
}

BOOL CAsyncSocket::Listen(int nConnectionBacklog) { return ::listen(m_hSocket, nConnectionBacklog) == 0; }

BOOL CAsyncSocket::GetPeerName(SOCKADDR* lpSockAddr, int* lpSockAddrLen) const
{
    return ::getpeername(m_hSocket, lpSockAddr, lpSockAddrLen) == 0;
}

BOOL CAsyncSocket::GetSockName(SOCKADDR* lpSockAddr, int* lpSockAddrLen) const
{
    return ::getsockname(m_hSocket, lpSockAddr, lpSockAddrLen) == 0;
}

BOOL CAsyncSocket::SetSockOpt(int nOptionName, const void* lpOptionValue, int nOptionLen, int nLevel)
{
    return ::setsockopt(m_hSocket, nLevel, nOptionName, static_cast<const char*>(lpOptionValue), nOptionLen) == 0;
}

BOOL CAsyncSocket::AsyncSelect(long) { return TRUE; }
