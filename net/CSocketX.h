#pragma once
// A worker's socket with an aborted mark. Once another thread has set the
// mark (and cancelled the blocking call), every operation fails with 10004.

#include "afx/Afx.h"
#include "afx/CSocket.h"
#include <atomic>

class CSocketX
{
public:
    CSocketX() : m_bAborted(0) {}
    virtual ~CSocketX() {}

    // A stream socket registered for all six network events, bound to
    // nPort (0: any) on every local IPv4 address.
    BOOL Create(UINT nPort = 0);
    // Blocking connect to a computer name or a dotted IPv4 address.
    BOOL Connect(LPCWSTR lpszHost, int nPort);
    BOOL Connect(const sockaddr_in& addr);
    // Sends the whole count; the count or SOCKET_ERROR.
    int Send(const void* lpData, int nCount);
    // At most nCount bytes; the count, 0 when the peer closed, or SOCKET_ERROR.
    int Receive(void* lpBuffer, int nCount);
    // 10004 when aborted, else the thread's last socket error.
    int GetError() const;
    // Clears the mark and closes the handle.
    void Close();

    // From the stopping thread: set the mark, then cancel the call in progress.
    void Abort();
    BOOL IsAborted() const { return m_bAborted != 0; }

    std::atomic<int> m_bAborted;
    CSocket m_socket;
};
