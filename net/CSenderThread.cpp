#include "net/CSenderThread.h"
#include "net/CListenerThread.h"
#include "net/CSocketedThreadList.h"
#include "net/CWorkerThreadScope.h"
#include "net/CDestinationDataArray.h"
#include "net/Protocol.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "afx/CGlobalLockGuard.h"
#include "afx/COpenedClipboard.h"
#include "crypto/PasswordHash.h"
#include "crypto/RSACrypt.h"
#include "crypto/SecureRandom.h"
#include <stdlib.h>
#include <memory>

namespace {
struct FreeDeleter
{
    void operator()(BYTE* p) const { free(p); }
};

// This computer's own listener at that address: its receiver would empty the
// very clipboard the copy comes from, and the next capture there would stop
// the sender that still serves its placeholders.
BOOL IsOwnReceiver(const sockaddr_in& addr)
{
    // A listener still showing its box about the port listens on nothing.
    if (CListenerThread::ListeningPort() == 0 || ntohs(addr.sin_port) != CListenerThread::ListeningPort())
        return FALSE;
    // Only this computer's own addresses (loopback among them) can be bound.
    SOCKET hProbe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (hProbe == INVALID_SOCKET)
        return FALSE;
    sockaddr_in local = addr;
    local.sin_port = 0;
    BOOL bLocal = ::bind(hProbe, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == 0;
    ::closesocket(hProbe);
    return bLocal;
}
}  // namespace

CSenderThread::CSenderThread() : m_nPort(0), m_bRSA(0), m_buffer(&m_socket) {}

CSenderThread::~CSenderThread() {}

void StartSenderThreads(CAdoPtr<CBDFArray>& pData)
{
    SenderThreadList.StopAll(FALSE);

    int nStarted = 0;
    CDestinationDataArray* pDestinations = theApp.m_pDestinations;
    if (pDestinations != nullptr)
    {
        for (INT_PTR i = 0; i < pDestinations->m_arrDestinations.GetSize(); ++i)
        {
            CDestinationData* pDestination = pDestinations->m_arrDestinations[i];
            if (pDestination == nullptr || !pDestination->m_bEnabled)
                continue;
            ++nStarted;
            CString strFailure;
            try
            {
                CAdoPtr<CSocketedThread> hold(new CSenderThread());
                CSenderThread* pThread = static_cast<CSenderThread*>(hold.Get());
                pThread->m_pData = pData;
                pThread->m_strHost = pDestination->m_strName;
                pThread->m_nPort = pDestination->m_nPort;
                if (!StartWorkerThread(&SenderThreadList, pThread, SenderThreadProc))
                    strFailure = L"スレッドを開始できません。";
            }
            catch (CMemoryException&)
            {
                strFailure = L"メモリ不足のため送信できません。";
            }
            if (!strFailure.IsEmpty())
            {
                CString strLine;
                strLine.Format(L"【送信エラー】%s : %d ", pDestination->m_strName.GetString(), pDestination->m_nPort);
                AddLog(strLine + strFailure);
            }
        }
    }
    if (nStarted == 0)
        AddLog(L"【送信なし】送信先が設定されていません。");
}

UINT SenderThreadProc(LPVOID pParam)
{
    CSenderThread* pThread = static_cast<CSenderThread*>(pParam);
    CWorkerThreadScope scope(&SenderThreadList, pThread, L"送信");
    scope.Run([pThread] { pThread->Run(); });
    return 0;
}

void CSenderThread::Run()
{
    AfxSocketInit();
    if (!m_socket.Create())
    {
        ReportError(m_socket.GetError(), SENDER_ERROR_CREATE);
        m_socket.Close();
        return;
    }
    try
    {
        DoSession();
    }
    catch (CMemoryException&)
    {
        AddLog(L"【送信エラー" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() +
               L"メモリ不足のため送信できません。");
    }
    catch (CException&)
    {
        AddLog(L"【送信エラー" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() +
               L"内部エラーのため送信できません。");
    }
    m_socket.Close();
}

CString CSenderThread::HostPortSuffix() const
{
    CString s;
    s.Format(L" : %d ", m_nPort);
    return s;
}

void CSenderThread::ReportError(int nCode, int nKind)
{
    CString strMessage;
    switch (nKind)
    {
    case SENDER_ERROR_CREATE:
        strMessage.Format(L"ソケットを作成できません(WinSockエラー %d)。", nCode);
        break;
    case SENDER_ERROR_CONNECT:
        strMessage.Format(L"接続できません(WinSockエラー %d)。", nCode);
        break;
    case SENDER_ERROR_RECEIVE:
    case SENDER_ERROR_SEND:
        strMessage.Format(L"送信できませんでした(WinSockエラー %d)。", nCode);
        break;
    case SENDER_ERROR_PROTOCOL:
        strMessage = L"応答を受信できません。";
        break;
    }
    AddLog(L"【送信エラー" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() + strMessage);
}

void CSenderThread::LogSent(ULONGLONG nTotal, const CString& strNames)
{
    AddLog(L"【正常送信" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() + L" (" + FormatKB(nTotal) +
           L" KB) フォーマット: " + strNames);
}

void CSenderThread::DoSession()
{
    {
        CSingleLock lock(&theApp.m_mutexPassword, TRUE);
        m_strPassword = theApp.m_strPassword;
    }
    SetStatus(2);

    sockaddr_in addr;
    BOOL bResolved = !m_socket.IsAborted() && CSocket::ResolveIPv4(m_strHost, static_cast<UINT>(m_nPort), addr);
    if (bResolved && IsOwnReceiver(addr))
    {
        AddLog(L"【送信なし】" + m_strHost + HostPortSuffix() +
               L"送信先はこのコンピュータ自身の受信ポートのため送信しません。");
        return;
    }
    if (!bResolved || !m_socket.Connect(addr))
    {
        ReportError(m_socket.GetError(), SENDER_ERROR_CONNECT);
        return;
    }

    BOOL bPlaceholders = FALSE;
    try
    {
        if (!Handshake())
            return;

        // Directory. Each record's size is taken once, here; the data step
        // sends exactly what the directory announced.
        BYTE* pBlock = nullptr;
        DWORD nBlock = 0;
        BuildFormatDirectory(&pBlock, &nBlock);
        std::unique_ptr<BYTE, FreeDeleter> block(pBlock);
        CByteArray arrHash;
        HashPassword(m_strPassword, arrHash);
        CSendBuffer message;
        message.AppendString(L"HB");
        message.AppendBytes(arrHash);
        message.AppendUInt32(nBlock);
        message.AppendBytes(pBlock, nBlock);
        block.reset();
        m_buffer.Send(message);
        if (m_buffer.ReceiveUInt32() != REPLY_OK)
        {
            ReportError(0, SENDER_ERROR_PROTOCOL);
            return;
        }

        // Data of the records that travel at once, back to back.
        ULONGLONG nTotal = 0;
        CString strSent, strDelayed;
        for (size_t i = 0; i < m_arrAnnounced.size(); ++i)
        {
            const ANNOUNCED& item = m_arrAnnounced[i];
            if (item.nSize > 0)
            {
                SendDataBlock(item.pData, item.nSize);
                if (!strSent.IsEmpty())
                    strSent += L",  ";
                strSent += item.strName;
                nTotal += item.nSize;
            }
            else
            {
                if (!strDelayed.IsEmpty())
                    strDelayed += L", ";
                strDelayed += item.strName;
                bPlaceholders = TRUE;
            }
        }
        if (nTotal != 0)
        {
            if (m_buffer.ReceiveUInt32() != REPLY_OK)
            {
                ReportError(0, SENDER_ERROR_PROTOCOL);
                return;
            }
            LogSent(nTotal, strSent);
        }
        if (!bPlaceholders)
            return;
        AddLog(L"【送信可能" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() + L"フォーマット: " + strDelayed);
    }
    catch (CSocketBufferException& e)
    {
        if (!m_bStop)
            ReportError(e.m_nError, e.m_bSend ? SENDER_ERROR_SEND : SENDER_ERROR_RECEIVE);
        return;
    }

    try
    {
        ServeRequests();
    }
    catch (CSocketBufferException& e)
    {
        if (!m_bStop)
            ReportError(e.m_nError, e.m_bSend ? SENDER_ERROR_SEND : SENDER_ERROR_RECEIVE);
    }
}

void CSenderThread::SendDataBlock(const BYTE* pData, DWORD nSize)
{
    // A small block leaves together with its tag, in one send.
    if (nSize <= SMALL_BLOCK)
    {
        CSendBuffer message;
        message.AppendString(L"DB");
        message.AppendBytes(pData, nSize);
        m_buffer.Send(message);
        return;
    }
    m_buffer.SendUInt32(TAG_DB);
    m_buffer.SendBytes(pData, nSize);
}

BOOL CSenderThread::Handshake()
{
    if (m_buffer.ReceiveUInt32() != TAG_C3)
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }
    DWORD nChallenge = m_buffer.ReceiveUInt32();
    if (nChallenge == 0 || nChallenge > MAX_CHALLENGE_LENGTH)
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }
    m_arrNonce.SetSize(nChallenge);
    m_buffer.ReceiveBytes(nChallenge, m_arrNonce.GetData());
    DWORD nModulus = m_buffer.ReceiveUInt32();

    CByteArray arrK1;
    HashWithPassword(m_arrNonce, m_strPassword, arrK1);
    m_buffer.SetKey(nullptr, arrK1);

    if (nModulus == 0)
    {
        m_bRSA = 0;
        return TRUE;
    }
    if (nModulus > MAX_MODULUS_LENGTH)
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }
    CByteArray arrModulus;
    arrModulus.SetSize(nModulus);
    m_buffer.ReceiveBytes(nModulus, arrModulus.GetData());
    DWORD nCheck = m_buffer.ReceiveUInt32();
    DWORD nCheckFlipped = m_buffer.ReceiveUInt32();
    if (nCheck != (nCheckFlipped ^ 1))
    {
        // Another password deciphers the two words with another stream.
        m_buffer.SendUInt32(REPLY_CHECK_FAILED);
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }

    m_bRSA = 1;
    m_bnModulus.FromByteArray(arrModulus);
    m_bnExponent.SetWord(65537);
    m_strRSAMark = L"#";
    // A zero modulus can't be used at all, and one longer than any key the
    // receiver accepts back only costs time: refuse both.
    if (m_bnModulus.IsZero() || m_bnModulus.BitLength() > MAX_MODULUS_BITS)
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }

    m_arrSessionKey.SetSize(SESSION_KEY_LENGTH);
    if (!SecureRandomFill(m_arrSessionKey.GetData(), SESSION_KEY_LENGTH, TRUE))
    {
        AddLog(L"【送信エラー" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() + L"乱数を取得できません。");
        return FALSE;
    }
    CByteArray arrEncrypted;
    if (!RSACryptBytes(arrEncrypted, m_arrSessionKey, m_bnExponent, m_bnModulus))
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }
    CSendBuffer message;
    message.AppendString(L"NR");
    message.AppendUInt32(static_cast<DWORD>(arrEncrypted.GetSize()));
    message.AppendBytes(arrEncrypted);
    m_buffer.Send(message);
    m_buffer.SetKey(&m_arrSessionKey, arrK1);
    if (m_buffer.ReceiveUInt32() != REPLY_OK)
    {
        ReportError(0, SENDER_ERROR_PROTOCOL);
        return FALSE;
    }
    return TRUE;
}

void CSenderThread::BuildFormatDirectory(BYTE** ppBlock, DWORD* pnLength)
{
    *ppBlock = nullptr;
    *pnLength = 0;
    m_arrAnnounced.clear();

    size_t nCapacity = 0, nLength = 0;
    BYTE* pBlock = nullptr;
    auto append = [&](const void* pBytes, size_t n) {
        if (nLength + n > nCapacity)
        {
            size_t nNew = (nLength + n + 1023) / 1024 * 1024;
            BYTE* p = static_cast<BYTE*>(realloc(pBlock, nNew));
            if (p == nullptr)
            {
                free(pBlock);
                AfxThrowMemoryException();
            }
            pBlock = p;
            nCapacity = nNew;
        }
        memcpy(pBlock + nLength, pBytes, n);
        nLength += n;
    };
    auto appendUInt32 = [&](DWORD n) {
        BYTE b[4] = {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)};
        append(b, 4);
    };

    INT_PTR nCount = m_pData.IsNull() ? 0 : m_pData->GetCount();
    appendUInt32(static_cast<DWORD>(nCount));
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CBDF* pRecord = m_pData->GetAt(i);
        ANNOUNCED item = {nullptr, 0, CString()};
        UINT nFormat = 0;
        if (pRecord != nullptr)
        {
            m_pData->GetData(i, item.pData, item.nSize);
            if (item.pData == nullptr)
                item.nSize = 0;
            item.strName = pRecord->m_strName;
            nFormat = pRecord->m_nFormat;
        }
        appendUInt32(item.nSize);
        appendUInt32(0);  // high word of the 64-bit size
        appendUInt32(nFormat);
        DWORD nNameBytes = static_cast<DWORD>(item.strName.GetLength()) * 2;
        appendUInt32(nNameBytes);
        for (int c = 0; c < item.strName.GetLength(); ++c)
        {
            WCHAR ch = item.strName.GetAt(c);
            BYTE b[2] = {BYTE(ch & 0xFF), BYTE(ch >> 8)};
            append(b, 2);
        }
        m_arrAnnounced.push_back(item);
    }
    *ppBlock = pBlock;
    *pnLength = static_cast<DWORD>(nLength);
}

void CSenderThread::ServeRequests()
{
    for (;;)
    {
        SetStatus(1);
        DWORD nTag;
        try
        {
            nTag = m_buffer.ReceiveUInt32();
        }
        catch (CSocketBufferException&)
        {
            // The receiver has gone (a new copy there, a new connection, its
            // program ending) or this sender was stopped.
            return;
        }
        if (nTag == TAG_AL)
            continue;
        if (nTag != TAG_SF)
        {
            ReportError(0, SENDER_ERROR_PROTOCOL);
            return;
        }
        SetStatus(2);
        DWORD nIndex = m_buffer.ReceiveUInt32();

        const BYTE* pData = nullptr;
        DWORD nSize = 0;
        BOOL bHave = FALSE;
        CString strName;
        BOOL bInRange = nIndex < static_cast<DWORD>(m_pData->GetCount());
        if (bInRange)
        {
            CBDF* pRecord = m_pData->GetAt(nIndex);
            if (pRecord != nullptr)
                strName = pRecord->m_strName;
            bHave = m_pData->LoadData(
                nIndex, [](CBDF& record) { LoadFormatData(record); }, pData, nSize);
        }
        if (!bHave)
        {
            m_buffer.SendUInt32(REPLY_NO_DATA);
            CString strLine = L"【送信エラー" + m_strRSAMark + L"】" + m_strHost + HostPortSuffix() +
                              L"クリップボードからデータを取得できませんでした。";
            if (bInRange)
                strLine += L"フォーマット: " + strName;
            AddLog(strLine);
            continue;
        }

        CSendBuffer message;
        message.AppendString(L"DL");
        message.AppendUInt64(nSize);
        m_buffer.Send(message);
        DWORD nReply = m_buffer.ReceiveUInt32();
        if (nReply == REPLY_CANNOT_HOLD)
            continue;
        if (nReply != REPLY_OK)
        {
            ReportError(0, SENDER_ERROR_PROTOCOL);
            return;
        }
        SendDataBlock(pData, nSize);
        if (m_buffer.ReceiveUInt32() != REPLY_OK)
        {
            ReportError(0, SENDER_ERROR_PROTOCOL);
            return;
        }
        LogSent(nSize, strName);
    }
}

void LoadFormatData(CBDF& bdf)
{
    // Bytes of a handle-valued format mean nothing on another computer.
    if (IsHandleClipboardFormat(bdf.m_nFormat))
        return;
    // Another program may hold the clipboard for a moment: 10 tries, 100 ms
    // apart, as the receiver waits for it, before the request gets no data.
    COpenedClipboard clipboard;
    for (int i = 0; i < 10 && !clipboard.Open(nullptr); ++i)
        if (i < 9)
            ::Sleep(100);
    if (!clipboard.IsOpen())
        return;
    HANDLE hData = ::GetClipboardData(bdf.m_nFormat);
    if (hData == nullptr)
        return;
    SIZE_T nSize = ::GlobalSize(hData);
    CGlobalLockGuard lock(hData, ::GlobalLock(hData));
    if (nSize != 0 && lock.Get() != nullptr && CBDF::SizeFits(nSize))
    {
        BYTE* pCopy = new (std::nothrow) BYTE[nSize];
        if (pCopy != nullptr)
        {
            memcpy(pCopy, lock.Get(), nSize);
            bdf.m_pData = pCopy;
            bdf.m_nSize = static_cast<DWORD>(nSize);
        }
    }
}
