#pragma once
// Exact-length sends and receives over a worker's socket, every byte XORed
// with the connection keystream once a key is installed. Socket failures
// become CSocketBufferException.
//
// A keyed block of more than one piece (1 MB) runs its keystream on a thread
// of its own beside the socket calls (CKeystreamThread); the bytes on the wire
// and the stream order are the same as without it. After a failure the
// stream may have run ahead of the bytes that went out, and a receive buffer
// may hold bytes not yet deciphered; a connection is not used again after a
// failure.

#include "afx/Afx.h"
#include "net/CSocketX.h"
#include "net/CSendBuffer.h"
#include "net/CSocketBufferException.h"

class CGRand;
class CPageTouchThread;

class CSocketBuffer
{
public:
    explicit CSocketBuffer(CSocketX* pSocket);
    virtual ~CSocketBuffer();

    // Installs a fresh keystream: seeded with prefix[4..] followed by key when
    // a non-empty prefix is given, else with the first 32 bytes of key.
    void SetKey(const CByteArray* pPrefix, const CByteArray& key);
    BOOL HasKey() const { return m_pKeystream != nullptr; }

    // Sends the whole buffer as one SendBytes and empties it, also on failure.
    void Send(CSendBuffer& buffer);
    void SendBytes(const BYTE* pData, DWORD nCount);
    // pTouch, when given, touches pBuffer's pages and hears of every piece
    // that arrived.
    void ReceiveBytes(DWORD nCount, BYTE* pBuffer, CPageTouchThread* pTouch = nullptr);
    // ReceiveBytes for a peer that may fall silent: FALSE (and the bytes
    // incomplete) once no byte has come for nSilenceMs. The aborted mark is
    // looked at at least every 100 ms while it waits.
    BOOL ReceiveBytesWithin(DWORD nCount, BYTE* pBuffer, DWORD nSilenceMs, CPageTouchThread* pTouch = nullptr);

    // Little-endian fixed-width values, through SendBytes/ReceiveBytes.
    void SendUInt32(DWORD nValue);
    DWORD ReceiveUInt32();
    ULONGLONG ReceiveUInt64();

    CSocketX* m_pSocket;
    CGRand* m_pKeystream;

private:
    void Fail(int bSend);
    // The work buffer with room for nSlots pieces.
    BYTE* Work(DWORD nSlots);
    // SendBytes of a keyed block of more than one piece, enciphered ahead of
    // the sends by a keystream thread. FALSE (nothing sent, no keystream
    // used) when no thread can be had.
    BOOL SendAhead(const BYTE* pData, DWORD nCount);
    // The receive loop; nSilenceMs 0 waits as long as it takes.
    BOOL Receive(DWORD nCount, BYTE* pBuffer, DWORD nSilenceMs, CPageTouchThread* pTouch);
    // Until the socket has a byte to give or has ended; FALSE once quiet for
    // nSilenceMs since nQuietSince.
    BOOL WaitForData(DWORD nSilenceMs, DWORD nQuietSince);

    BYTE* m_pWork;       // enciphering pieces, allocated on first use
    DWORD m_nWorkSlots;  // pieces m_pWork has room for

    CSocketBuffer(const CSocketBuffer&) = delete;
    CSocketBuffer& operator=(const CSocketBuffer&) = delete;
};
