#pragma once
// Exact-length sends and receives over a worker's socket, every byte XORed
// with the connection keystream once a key is installed. Socket failures
// become CSocketBufferException.

#include "afx/Afx.h"
#include "net/CSocketX.h"
#include "net/CSendBuffer.h"
#include "net/CSocketBufferException.h"

class CGRand;

class CSocketBuffer
{
public:
    explicit CSocketBuffer(CSocketX* pSocket);
    virtual ~CSocketBuffer();

    // Installs a fresh keystream: seeded with prefix[4..] followed by key when
    // a non-empty prefix is given, else with the first 32 bytes of key.
    void SetKey(const CByteArray* pPrefix, const CByteArray& key);
    BOOL HasKey() const { return m_pKeystream != NULL; }

    // Sends the whole buffer as one SendBytes and empties it, also on failure.
    void Send(CSendBuffer& buffer);
    void SendBytes(const BYTE* pData, DWORD nCount);
    void ReceiveBytes(DWORD nCount, BYTE* pBuffer);

    // Little-endian fixed-width values, through SendBytes/ReceiveBytes.
    void SendUInt32(DWORD nValue);
    DWORD ReceiveUInt32();
    ULONGLONG ReceiveUInt64();

    CSocketX* m_pSocket;
    CGRand* m_pKeystream;

private:
    void Fail(int bSend);
    BYTE* m_pWork;      // 1 MB enciphering buffer, allocated on first use

    CSocketBuffer(const CSocketBuffer&) = delete;
    CSocketBuffer& operator=(const CSocketBuffer&) = delete;
};
