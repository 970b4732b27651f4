#include "net/CSocketBuffer.h"
#include "crypto/CGRand.h"

// Enciphered data leaves in pieces of this size through one fixed buffer.
// Each send costs a fixed overhead on top of its bytes; with 1 MB pieces that
// overhead is small beside the keystream, which is the limit. The bytes on
// the wire and the keystream order don't depend on the piece size.
static const DWORD WORK_SIZE = 1048576;
// Clear data and every receive go to the socket in pieces of at most this.
static const DWORD MAX_PIECE = 1073741824;

CSocketBuffer::CSocketBuffer(CSocketX* pSocket)
    : m_pSocket(pSocket), m_pKeystream(NULL), m_pWork(NULL)
{
}

CSocketBuffer::~CSocketBuffer()
{
    delete m_pKeystream;
    delete[] m_pWork;
}

void CSocketBuffer::SetKey(const CByteArray* pPrefix, const CByteArray& key)
{
    CGRand* pNew = new CGRand();
    BOOL bSeeded;
    if (pPrefix != NULL && pPrefix->GetSize() > 0)
    {
        // The prefix's first four bytes are left out: they are the ones that
        // the sender's RSA step may have changed.
        CByteArray material;
        INT_PTR nSkip = pPrefix->GetSize() < 4 ? pPrefix->GetSize() : 4;
        INT_PTR nPrefix = pPrefix->GetSize() - nSkip;
        material.SetSize(nPrefix + key.GetSize());
        if (nPrefix > 0)
            memcpy(material.GetData(), pPrefix->GetData() + nSkip, nPrefix);
        if (key.GetSize() > 0)
            memcpy(material.GetData() + nPrefix, key.GetData(), key.GetSize());
        bSeeded = pNew->Seed(material.GetData(), static_cast<int>(material.GetSize()));
    }
    else
    {
        int nLength = key.GetSize() < 32 ? static_cast<int>(key.GetSize()) : 32;
        bSeeded = pNew->Seed(key.GetData(), nLength);
    }
    if (!bSeeded)
    {
        delete pNew;
        AfxThrowInvalidArgException();
    }
    delete m_pKeystream;
    m_pKeystream = pNew;
}

void CSocketBuffer::Fail(int bSend)
{
    throw CSocketBufferException(m_pSocket->GetError(), bSend);
}

void CSocketBuffer::Send(CSendBuffer& buffer)
{
    try
    {
        SendBytes(buffer.m_data.GetData(), static_cast<DWORD>(buffer.m_data.GetSize()));
    }
    catch (...)
    {
        buffer.m_data.RemoveAll();
        throw;
    }
    buffer.m_data.RemoveAll();
}

void CSocketBuffer::SendBytes(const BYTE* pData, DWORD nCount)
{
    if (nCount == 0)
        return;
    if (m_pKeystream == NULL)
    {
        for (DWORD nDone = 0; nDone < nCount;)
        {
            DWORD nPiece = nCount - nDone < MAX_PIECE ? nCount - nDone : MAX_PIECE;
            if (m_pSocket->IsAborted() ||
                m_pSocket->Send(pData + nDone, static_cast<int>(nPiece)) == SOCKET_ERROR)
                Fail(1);
            nDone += nPiece;
        }
        return;
    }
    if (m_pWork == NULL)
        m_pWork = new BYTE[WORK_SIZE];
    for (DWORD nDone = 0; nDone < nCount;)
    {
        DWORD nPiece = nCount - nDone < WORK_SIZE ? nCount - nDone : WORK_SIZE;
        // The caller's data stays as it is: other senders send it too.
        m_pKeystream->Xor(m_pWork, pData + nDone, nPiece);
        if (m_pSocket->IsAborted() ||
            m_pSocket->Send(m_pWork, static_cast<int>(nPiece)) == SOCKET_ERROR)
            Fail(1);
        nDone += nPiece;
    }
}

void CSocketBuffer::ReceiveBytes(DWORD nCount, BYTE* pBuffer)
{
    for (DWORD nDone = 0; nDone < nCount;)
    {
        if (m_pSocket->IsAborted())
            Fail(0);
        DWORD nAsk = nCount - nDone < MAX_PIECE ? nCount - nDone : MAX_PIECE;
        int n = m_pSocket->Receive(pBuffer + nDone, static_cast<int>(nAsk));
        if (n == SOCKET_ERROR || n == 0)
            Fail(0);
        if (m_pKeystream != NULL)
            m_pKeystream->Xor(pBuffer + nDone, pBuffer + nDone, static_cast<size_t>(n));
        nDone += static_cast<DWORD>(n);
    }
}

void CSocketBuffer::SendUInt32(DWORD nValue)
{
    BYTE bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<BYTE>(nValue >> (8 * i));
    SendBytes(bytes, 4);
}

DWORD CSocketBuffer::ReceiveUInt32()
{
    BYTE bytes[4];
    ReceiveBytes(4, bytes);
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
           (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

ULONGLONG CSocketBuffer::ReceiveUInt64()
{
    BYTE bytes[8];
    ReceiveBytes(8, bytes);
    ULONGLONG n = 0;
    for (int i = 7; i >= 0; --i)
        n = (n << 8) | bytes[i];
    return n;
}
