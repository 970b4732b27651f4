#pragma once
// The one failure of the connection stream: a socket call failed, the peer
// closed the connection, or the socket was aborted by a stop.

class CSocketBufferException
{
public:
    CSocketBufferException(int nError, int bSend) : m_nError(nError), m_bSend(bSend) {}
    CSocketBufferException(const CSocketBufferException& other) = default;
    CSocketBufferException& operator=(const CSocketBufferException& other) = default;
    virtual ~CSocketBufferException() {}

    int m_nError;  // Windows Sockets code; 10004 when the socket was aborted
    int m_bSend;   // 1: while sending, 0: while receiving
};
