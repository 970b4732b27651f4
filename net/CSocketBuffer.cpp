#include "net/CSocketBuffer.h"
#include "net/CKeystreamThread.h"
#include "net/CPageTouchThread.h"
#include "crypto/CGRand.h"
#include <memory>

// Enciphered data leaves in pieces of this size. Each send costs a fixed
// overhead on top of its bytes; with 1 MB pieces that overhead is small beside
// the keystream, which is the limit. The bytes on the wire and the keystream
// order don't depend on the piece size.
static const DWORD WORK_SIZE = 1048576;
// A block of more than one piece is enciphered this many pieces ahead of its
// sends, so that the keystream never waits for a send to finish.
static const DWORD RING_SLOTS = 4;
// Clear data goes to the socket in pieces of at most this.
static const DWORD MAX_PIECE = 1073741824;
// Every receive asks for at most this, so that no receive call is handed more
// of a fresh block than the page touch keeps ahead of the data (the platform's
// receive may fault in the whole buffer it is given), and the keystream
// thread gets pieces it can start on at once.
static const DWORD RECEIVE_PIECE = WORK_SIZE;
// How often a receive with a silence limit looks at the aborted mark.
static const DWORD POLL_MS = 100;

CSocketBuffer::CSocketBuffer(CSocketX* pSocket)
    : m_pSocket(pSocket), m_pKeystream(nullptr), m_pWork(nullptr), m_nWorkSlots(0)
{}

CSocketBuffer::~CSocketBuffer()
{
    delete m_pKeystream;
    delete[] m_pWork;
}

void CSocketBuffer::SetKey(const CByteArray* pPrefix, const CByteArray& key)
{
    CGRand* pNew = new CGRand();
    BOOL bSeeded;
    if (pPrefix != nullptr && pPrefix->GetSize() > 0)
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

void CSocketBuffer::Fail(int bSend) { throw CSocketBufferException(m_pSocket->GetError(), bSend); }

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

BYTE* CSocketBuffer::Work(DWORD nSlots)
{
    if (m_nWorkSlots < nSlots)
    {
        delete[] m_pWork;
        m_pWork = nullptr;
        m_nWorkSlots = 0;
        m_pWork = new BYTE[nSlots * WORK_SIZE];
        m_nWorkSlots = nSlots;
    }
    return m_pWork;
}

void CSocketBuffer::SendBytes(const BYTE* pData, DWORD nCount)
{
    if (nCount == 0)
        return;
    if (m_pKeystream == nullptr)
    {
        for (DWORD nDone = 0; nDone < nCount;)
        {
            DWORD nPiece = nCount - nDone < MAX_PIECE ? nCount - nDone : MAX_PIECE;
            if (m_pSocket->IsAborted() || m_pSocket->Send(pData + nDone, static_cast<int>(nPiece)) == SOCKET_ERROR)
                Fail(1);
            nDone += nPiece;
        }
        return;
    }
    if (nCount > WORK_SIZE && SendAhead(pData, nCount))
        return;
    BYTE* pWork = Work(1);
    for (DWORD nDone = 0; nDone < nCount;)
    {
        DWORD nPiece = nCount - nDone < WORK_SIZE ? nCount - nDone : WORK_SIZE;
        // The caller's data stays as it is: other senders send it too.
        m_pKeystream->Xor(pWork, pData + nDone, nPiece);
        if (m_pSocket->IsAborted() || m_pSocket->Send(pWork, static_cast<int>(nPiece)) == SOCKET_ERROR)
            Fail(1);
        nDone += nPiece;
    }
}

BOOL CSocketBuffer::SendAhead(const BYTE* pData, DWORD nCount)
{
    BYTE* pRing = Work(RING_SLOTS);
    CKeystreamThread cipher(*m_pKeystream);
    if (!cipher.Start())
        return FALSE;
    const DWORD nPieces = (nCount - 1) / WORK_SIZE + 1;
    DWORD nQueued = 0;
    for (DWORD k = 0; k < nPieces; ++k)
    {
        // A slot is refilled only after its piece has been sent.
        for (; nQueued < nPieces && nQueued < k + RING_SLOTS; ++nQueued)
        {
            DWORD nOffset = nQueued * WORK_SIZE;
            DWORD nPiece = nCount - nOffset < WORK_SIZE ? nCount - nOffset : WORK_SIZE;
            cipher.Queue(pRing + (nQueued % RING_SLOTS) * WORK_SIZE, pData + nOffset, nPiece);
        }
        if (!cipher.WaitDone(k + 1))
            AfxThrowInvalidArgException();
        DWORD nOffset = k * WORK_SIZE;
        DWORD nPiece = nCount - nOffset < WORK_SIZE ? nCount - nOffset : WORK_SIZE;
        // Fail reads the socket's error at once, on this thread, where the
        // failed call left it; the keystream thread ends as the exception
        // leaves this scope.
        if (m_pSocket->IsAborted() ||
            m_pSocket->Send(pRing + (k % RING_SLOTS) * WORK_SIZE, static_cast<int>(nPiece)) == SOCKET_ERROR)
            Fail(1);
    }
    return TRUE;
}

void CSocketBuffer::ReceiveBytes(DWORD nCount, BYTE* pBuffer, CPageTouchThread* pTouch)
{
    Receive(nCount, pBuffer, 0, pTouch);
}

BOOL CSocketBuffer::ReceiveBytesWithin(DWORD nCount, BYTE* pBuffer, DWORD nSilenceMs, CPageTouchThread* pTouch)
{
    return Receive(nCount, pBuffer, nSilenceMs, pTouch);
}

BOOL CSocketBuffer::Receive(DWORD nCount, BYTE* pBuffer, DWORD nSilenceMs, CPageTouchThread* pTouch)
{
    // A block of more than one piece is deciphered behind its receives.
    std::unique_ptr<CKeystreamThread> cipher;
    if (m_pKeystream != nullptr && nCount > WORK_SIZE)
    {
        cipher.reset(new CKeystreamThread(*m_pKeystream));
        if (!cipher->Start())
            cipher.reset();
    }
    DWORD nQuietSince = ::GetTickCount();
    for (DWORD nDone = 0; nDone < nCount;)
    {
        if (nSilenceMs != 0 && !WaitForData(nSilenceMs, nQuietSince))
            return FALSE;
        if (m_pSocket->IsAborted())
            Fail(0);
        DWORD nAsk = nCount - nDone < RECEIVE_PIECE ? nCount - nDone : RECEIVE_PIECE;
        int n = m_pSocket->Receive(pBuffer + nDone, static_cast<int>(nAsk));
        // The error is read here, on the thread of the failed call.
        if (n == SOCKET_ERROR || n == 0)
            Fail(0);
        if (cipher)
            cipher->Queue(pBuffer + nDone, pBuffer + nDone, static_cast<DWORD>(n));
        else if (m_pKeystream != nullptr)
            m_pKeystream->Xor(pBuffer + nDone, pBuffer + nDone, static_cast<size_t>(n));
        nDone += static_cast<DWORD>(n);
        if (pTouch != nullptr)
            pTouch->Reached(nDone);
        nQuietSince = ::GetTickCount();
    }
    if (cipher && !cipher->WaitDone(cipher->Queued()))
        AfxThrowInvalidArgException();
    return TRUE;
}

BOOL CSocketBuffer::WaitForData(DWORD nSilenceMs, DWORD nQuietSince)
{
    SOCKET hSocket = m_pSocket->m_socket.m_hSocket;
    for (;;)
    {
        if (m_pSocket->IsAborted())
            Fail(0);
        u_long nReady = 0;
        if (::ioctlsocket(hSocket, FIONREAD, &nReady) != 0)
            Fail(0);
        if (nReady != 0)
            return TRUE;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(hSocket, &readable);
        timeval wait = {0, static_cast<long>(POLL_MS * 1000)};
        int nSelected = ::select(0, &readable, nullptr, nullptr, &wait);
        if (nSelected == SOCKET_ERROR)
            Fail(0);
        // Readable with nothing to read: the connection has ended or failed,
        // which the receive then reports.
        if (nSelected != 0)
            return TRUE;
        // The unsigned difference survives the tick count's wrap.
        if (::GetTickCount() - nQuietSince >= nSilenceMs)
            return FALSE;
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
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
           (static_cast<DWORD>(bytes[3]) << 24);
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
