#include "afx/CSocket.h"

// Events the blocking calls wait for, whatever the caller registered.
static const long BLOCKING_EVENTS = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

// One send() hands the stack at most this much; larger requests loop.
static const int MAX_SEND_PIECE = 1 << 20;

CSocket::CSocket() : m_lEvent(0), m_nBlocking(0)
{
    m_hNetEvent.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hCancelEvent.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

CSocket::~CSocket() { Close(); }

BOOL CSocket::AsyncSelect(long lEvent)
{
    if (m_hNetEvent == nullptr || m_hCancelEvent == nullptr)
    {
        ::WSASetLastError(WSAENOBUFS);
        return FALSE;
    }
    m_lEvent = lEvent;
    ::ResetEvent(m_hCancelEvent);
    ::ResetEvent(m_hNetEvent);
    // Also makes the handle non-blocking: our calls wait on the event instead.
    return ::WSAEventSelect(m_hSocket, m_hNetEvent, lEvent | BLOCKING_EVENTS) == 0;
}

SOCKET CSocket::Detach()
{
    if (m_hSocket != INVALID_SOCKET)
    {
        // Hand over an ordinary blocking handle with no event bound to it.
        ::WSAEventSelect(m_hSocket, nullptr, 0);
        u_long nBlocking = 0;
        ::ioctlsocket(m_hSocket, FIONBIO, &nBlocking);
    }
    return CAsyncSocket::Detach();
}

void CSocket::Close()
{
    CAsyncSocket::Close();
    if (m_hNetEvent != nullptr)
        ::ResetEvent(m_hNetEvent);
}

void CSocket::CancelBlockingCall()
{
    if (m_hCancelEvent != nullptr)
        ::SetEvent(m_hCancelEvent);
}

// A blocking call in progress: counted so that IsBlocking can answer.
namespace {
class CBlockingScope
{
public:
    explicit CBlockingScope(std::atomic<LONG>* p) : m_p(p) { ++*m_p; }
    ~CBlockingScope() { --*m_p; }

private:
    std::atomic<LONG>* m_p;
};
}  // namespace

static BOOL IsSignalled(HANDLE h) { return h != nullptr && ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }

BOOL CSocket::WaitFor(long lEvents)
{
    HANDLE handles[2] = {m_hCancelEvent, m_hNetEvent};
    for (;;)
    {
        // The cancel event comes first, so it wins when both are set.
        DWORD nWait = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (nWait == WAIT_OBJECT_0)
        {
            ::WSASetLastError(WSAEINTR);
            return FALSE;
        }
        if (nWait != WAIT_OBJECT_0 + 1)
        {
            ::WSASetLastError(WSAEINVAL);
            return FALSE;
        }
        WSANETWORKEVENTS events;
        if (::WSAEnumNetworkEvents(m_hSocket, m_hNetEvent, &events) != 0)
            return FALSE;
        if (lEvents & FD_CONNECT)
        {
            // Only the connect's own outcome ends a connect.
            if ((events.lNetworkEvents & FD_CONNECT) == 0)
                continue;
            if (events.iErrorCode[FD_CONNECT_BIT] != 0)
            {
                ::WSASetLastError(events.iErrorCode[FD_CONNECT_BIT]);
                return FALSE;
            }
            return TRUE;
        }
        // A closed connection wakes every kind of wait: the retried call then
        // reports the end (recv gives 0, send an error).
        if (events.lNetworkEvents & ((lEvents & ~FD_CONNECT) | FD_CLOSE))
            return TRUE;
    }
}

BOOL CSocket::ResolveIPv4(LPCWSTR lpszHostAddress, UINT nHostPort, sockaddr_in& addr)
{
    addr = sockaddr_in();
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(nHostPort));
    // A destination's port is not range-checked where it is typed or stored;
    // one beyond 16 bits must fail, not reach another port.
    if (lpszHostAddress == nullptr || nHostPort > 65535)
    {
        ::WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    if (::InetPtonW(AF_INET, lpszHostAddress, &addr.sin_addr) == 1)
        return TRUE;
    ADDRINFOW hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* pResult = nullptr;
    int nError = ::GetAddrInfoW(lpszHostAddress, nullptr, &hints, &pResult);
    if (nError != 0 || pResult == nullptr)
    {
        ::WSASetLastError(nError != 0 ? nError : WSAHOST_NOT_FOUND);
        return FALSE;
    }
    addr.sin_addr = reinterpret_cast<const sockaddr_in*>(pResult->ai_addr)->sin_addr;
    ::FreeAddrInfoW(pResult);
    return TRUE;
}

BOOL CSocket::Connect(LPCWSTR lpszHostAddress, UINT nHostPort)
{
    sockaddr_in addr;
    if (!ResolveIPv4(lpszHostAddress, nHostPort, addr))
        return FALSE;
    return Connect(reinterpret_cast<const SOCKADDR*>(&addr), sizeof(addr));
}

BOOL CSocket::Connect(const SOCKADDR* lpSockAddr, int nSockAddrLen)
{
    CBlockingScope scope(&m_nBlocking);
    if (IsSignalled(m_hCancelEvent))
    {
        ::WSASetLastError(WSAEINTR);
        return FALSE;
    }
    if (::connect(m_hSocket, lpSockAddr, nSockAddrLen) == 0)
        return TRUE;
    if (::WSAGetLastError() != WSAEWOULDBLOCK)
        return FALSE;
    return WaitFor(FD_CONNECT);
}

BOOL CSocket::Accept(CAsyncSocket& rConnectedSocket, SOCKADDR* lpSockAddr, int* lpSockAddrLen)
{
    CBlockingScope scope(&m_nBlocking);
    for (;;)
    {
        if (IsSignalled(m_hCancelEvent))
        {
            ::WSASetLastError(WSAEINTR);
            return FALSE;
        }
        SOCKET h = ::accept(m_hSocket, lpSockAddr, lpSockAddrLen);
        if (h != INVALID_SOCKET)
        {
            if (rConnectedSocket.Attach(h, m_lEvent))
                return TRUE;
            int nError = ::WSAGetLastError();
            rConnectedSocket.Close();
            ::WSASetLastError(nError);
            return FALSE;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
            return FALSE;
        if (!WaitFor(FD_ACCEPT))
            return FALSE;
    }
}

int CSocket::Send(const void* lpBuf, int nBufLen, int nFlags)
{
    CBlockingScope scope(&m_nBlocking);
    const char* p = static_cast<const char*>(lpBuf);
    int nSent = 0;
    while (nSent < nBufLen)
    {
        if (IsSignalled(m_hCancelEvent))
        {
            ::WSASetLastError(WSAEINTR);
            return SOCKET_ERROR;
        }
        int nPiece = nBufLen - nSent;
        if (nPiece > MAX_SEND_PIECE)
            nPiece = MAX_SEND_PIECE;
        int n = ::send(m_hSocket, p + nSent, nPiece, nFlags);
        if (n == SOCKET_ERROR)
        {
            if (::WSAGetLastError() != WSAEWOULDBLOCK)
                return SOCKET_ERROR;
            if (!WaitFor(FD_WRITE))
                return SOCKET_ERROR;
            continue;
        }
        nSent += n;
    }
    return nSent;
}

int CSocket::Receive(void* lpBuf, int nBufLen, int nFlags)
{
    CBlockingScope scope(&m_nBlocking);
    for (;;)
    {
        if (IsSignalled(m_hCancelEvent))
        {
            ::WSASetLastError(WSAEINTR);
            return SOCKET_ERROR;
        }
        int n = ::recv(m_hSocket, static_cast<char*>(lpBuf), nBufLen, nFlags);
        if (n != SOCKET_ERROR)
            return n;
        if (::WSAGetLastError() != WSAEWOULDBLOCK)
            return SOCKET_ERROR;
        if (!WaitFor(FD_READ))
            return SOCKET_ERROR;
    }
}
