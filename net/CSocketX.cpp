#include "net/CSocketX.h"

BOOL CSocketX::Create(UINT nPort)
{
    if (m_bAborted)
        return FALSE;
    return m_socket.Create(nPort, SOCK_STREAM, AFX_SOCKET_ALL_EVENTS, nullptr);
}

BOOL CSocketX::Connect(LPCWSTR lpszHost, int nPort)
{
    if (m_bAborted)
        return FALSE;
    sockaddr_in addr;
    if (!CSocket::ResolveIPv4(lpszHost, static_cast<UINT>(nPort), addr))
        return FALSE;
    return Connect(addr);
}

BOOL CSocketX::Connect(const sockaddr_in& addr)
{
    if (m_bAborted)
        return FALSE;
    if (!m_socket.Connect(reinterpret_cast<const SOCKADDR*>(&addr), sizeof(addr)))
        return FALSE;
    // Small messages (requests, replies) must not wait for the peer's delayed
    // acknowledgement; the bytes on the wire are the same either way.
    BOOL bNoDelay = TRUE;
    m_socket.SetSockOpt(TCP_NODELAY, &bNoDelay, sizeof(bNoDelay), IPPROTO_TCP);
    return TRUE;
}

int CSocketX::Send(const void* lpData, int nCount)
{
    if (m_bAborted)
        return SOCKET_ERROR;
    return m_socket.Send(lpData, nCount);
}

int CSocketX::Receive(void* lpBuffer, int nCount)
{
    if (m_bAborted)
        return SOCKET_ERROR;
    return m_socket.Receive(lpBuffer, nCount);
}

int CSocketX::GetError() const
{
    if (m_bAborted)
        return WSAEINTR;
    return ::WSAGetLastError();
}

void CSocketX::Close()
{
    m_bAborted = 0;
    m_socket.Close();
}

void CSocketX::Abort()
{
    // The mark first: a call that the cancel interrupts then reports 10004.
    m_bAborted = 1;
    m_socket.CancelBlockingCall();
}
