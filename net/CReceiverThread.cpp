#include "net/CReceiverThread.h"
#include "net/Protocol.h"
#include "net/CPageTouchThread.h"
#include "net/CHandshakeGate.h"
#include "net/CSocketedThreadList.h"
#include "app/CBrinmoorApp.h"
#include "afx/CGlobalLockGuard.h"
#include "afx/COpenedClipboard.h"
#include "app/EventLog.h"
#include "afx/CWnd.h"
#include "crypto/PasswordHash.h"
#include "crypto/RSACrypt.h"
#include "crypto/SecureRandom.h"
#include <stdlib.h>
#include <memory>
#include "app/AppMessages.h"

namespace {

const UINT BLOCK_FLAGS = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;

// The directory is taken in pieces that grow with what has arrived, so an
// announced length costs memory only once its bytes are really there.
const DWORD FIRST_DIRECTORY_PIECE = 4096;
}  // namespace

CReceiverThread::CReceiverThread(int nProtocolIndex)
    : m_hServerWnd(nullptr), m_hSocket(INVALID_SOCKET), m_nProtocolIndex(nProtocolIndex), m_bRSA(0), m_pGate(nullptr),
      m_buffer(&m_socket), m_pfnHandOver(::SetClipboardData)
{}

CReceiverThread::~CReceiverThread()
{
    // A connection whose thread never started still owns its handle.
    if (m_hSocket != INVALID_SOCKET)
        ::closesocket(m_hSocket);
}

void CReceiverThread::Stop()
{
    m_bStop = 1;
    HWND hWnd = m_hServerWnd;
    if (hWnd != nullptr)
        ::PostMessageW(hWnd, UWM_STOPSERVERWND, 0, 0);
}

void CReceiverThread::ReportError(int nKind)
{
    LPCWSTR pszText = nullptr;
    switch (nKind)
    {
    case RECEIVER_ERROR_PASSWORD:
        pszText = L"受信データのフォーマットが異常です。パスワードが一致していない可能性があります。";
        break;
    case RECEIVER_ERROR_FORMAT:
        pszText = L"受信データのフォーマットが異常です。";
        break;
    case RECEIVER_ERROR_MEMORY:
        pszText = L"メモリ不足のため受信データを処理できません。";
        break;
    case RECEIVER_ERROR_CLIPBOARD:
        pszText = L"クリップボードを開けないため受信データを処理できません。";
        break;
    default:
        return;
    }
    AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName + L" " + pszText);
}

void CReceiverThread::GetPeerName()
{
    m_strPeerName.Empty();
    sockaddr_in addr = {};
    int nLength = sizeof(addr);
    if (::getpeername(m_socket.m_socket.m_hSocket, reinterpret_cast<sockaddr*>(&addr), &nLength) != 0)
        return;
    char szHost[1026];
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&addr), nLength, szHost, sizeof(szHost), nullptr, 0,
                      NI_NAMEREQD | NI_NUMERICSERV) == 0)
        m_strPeerName = CString(szHost);
    if (m_strPeerName.IsEmpty() && ::getnameinfo(reinterpret_cast<const sockaddr*>(&addr), nLength, szHost,
                                                 sizeof(szHost), nullptr, 0, NI_NUMERICHOST | NI_NUMERICSERV) == 0)
        m_strPeerName = CString(szHost);
}

void CReceiverThread::DoSession()
{
    // Until the password check is passed, the connection is bounded in time
    // and number of its kind.
    CHandshakeGate gate(&m_socket);
    m_pGate = &gate;
    {
        CSingleLock lock(&theApp.m_mutexPassword, TRUE);
        m_strPassword = theApp.m_strPassword;
    }
    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        m_bRSA = theApp.m_nRSAMode;
        if (!theApp.m_bKeyPresent)
            m_bRSA = 0;
        if (m_bRSA)
        {
            m_bnPrivateExponent.Copy(theApp.m_bnPrivateExponent);
            m_bnModulus.Copy(theApp.m_bnModulus);
        }
    }
    if (m_bRSA)
        m_strRSAMark = L"#";
    GetPeerName();

    try
    {
        Converse();
    }
    catch (CSocketBufferException& e)
    {
        if (!m_bStop)
            ReportError(e.m_bSend ? RECEIVER_ERROR_SEND : RECEIVER_ERROR_RECEIVE);
    }
    catch (CMemoryException&)
    {
        ReportError(RECEIVER_ERROR_MEMORY);
    }
    catch (CException&)
    {
        AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName +
               L" 内部エラーのため受信データを処理できません。");
    }
    m_pGate = nullptr;
}

void CReceiverThread::Converse()
{
    // Greeting, in clear.
    m_arrNonce.SetSize(CHALLENGE_LENGTH);
    if (!SecureRandomFill(m_arrNonce.GetData(), CHALLENGE_LENGTH))
    {
        AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName + L" 乱数を取得できません。");
        return;
    }
    CByteArray arrModulus;
    if (m_bRSA)
    {
        // 4 bytes per word in use, most significant first.
        for (int i = m_bnModulus.GetLength() - 1; i >= 0; --i)
        {
            uint32_t w = m_bnModulus.GetWord(i);
            for (int b = 3; b >= 0; --b)
                arrModulus.Add(static_cast<BYTE>(w >> (8 * b)));
        }
    }
    CSendBuffer greeting;
    greeting.AppendString(L"C3");
    greeting.AppendUInt32(CHALLENGE_LENGTH);
    greeting.AppendBytes(m_arrNonce);
    greeting.AppendUInt32(static_cast<DWORD>(arrModulus.GetSize()));
    m_buffer.Send(greeting);

    CByteArray arrK1;
    HashWithPassword(m_arrNonce, m_strPassword, arrK1);
    m_buffer.SetKey(nullptr, arrK1);

    if (m_bRSA)
    {
        uint32_t nCheck = 0;
        if (!SecureRandomWord(nCheck))
        {
            AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName + L" 乱数を取得できません。");
            return;
        }
        CSendBuffer check;
        check.AppendBytes(arrModulus);
        check.AppendUInt32(nCheck);
        check.AppendUInt32(nCheck ^ 1);
        m_buffer.Send(check);

        if (m_buffer.ReceiveUInt32() != TAG_NR)
        {
            ReportError(RECEIVER_ERROR_PASSWORD);
            return;
        }
        DWORD nEncrypted = m_buffer.ReceiveUInt32();
        if (nEncrypted == 0 || nEncrypted > MAX_ENCRYPTED_KEY_LENGTH)
        {
            ReportError(RECEIVER_ERROR_PASSWORD);
            return;
        }
        CByteArray arrEncrypted, arrSessionKey;
        arrEncrypted.SetSize(nEncrypted);
        m_buffer.ReceiveBytes(nEncrypted, arrEncrypted.GetData());
        if (!RSACryptBlock(arrSessionKey, arrEncrypted, m_bnPrivateExponent, m_bnModulus) ||
            arrSessionKey.GetSize() != SESSION_KEY_LENGTH)
        {
            ReportError(RECEIVER_ERROR_PASSWORD);
            return;
        }
        m_buffer.SetKey(&arrSessionKey, arrK1);
        m_buffer.SendUInt32(REPLY_OK);
    }

    // Password check.
    if (m_buffer.ReceiveUInt32() != TAG_HB)
    {
        ReportError(RECEIVER_ERROR_PASSWORD);
        return;
    }
    CByteArray arrHash;
    HashPassword(m_strPassword, arrHash);
    BYTE abHash[32];
    m_buffer.ReceiveBytes(32, abHash);
    if (arrHash.GetSize() != 32 || memcmp(abHash, arrHash.GetData(), 32) != 0)
    {
        ReportError(RECEIVER_ERROR_PASSWORD);
        return;
    }
    if (m_pGate != nullptr)
        m_pGate->Pass();

    // Directory.
    DWORD nDirectory = m_buffer.ReceiveUInt32();
    if (nDirectory == 0 || nDirectory > 0x7FFFFFFF)
    {
        ReportError(RECEIVER_ERROR_FORMAT);
        return;
    }
    std::unique_ptr<BYTE, CReceiverThread::FreeDeleter> directory;
    if (!ReceiveDirectory(nDirectory, directory))
        return;
    m_pData = new CBDFArray();
    BOOL bParsed = ReadFormatDirectory(static_cast<int>(nDirectory), directory.get());
    directory.reset();
    if (!bParsed)
        return;
    // The copy is accepted: it replaces the ones that came before it.
    ReceiverThreadList.StopAll(FALSE, this);
    m_buffer.SendUInt32(REPLY_OK);
    SetStatus(2);

    // Data that travels at once, straight into the blocks the clipboard takes.
    ULONGLONG nTotal = 0;
    CString strReceived;
    BOOL bPlaceholders = FALSE;
    for (INT_PTR i = 0; i < m_pData->GetCount(); ++i)
    {
        CBDF* pRecord = m_pData->GetAt(i);
        if (pRecord->m_nSize == 0)
        {
            // The offer line names only what the clipboard will be offered.
            if (!CanOffer(pRecord))
                continue;
            if (bPlaceholders)
                m_strDelayedFormats += L",  ";
            m_strDelayedFormats += pRecord->m_strName;
            bPlaceholders = TRUE;
            continue;
        }
        // Only the first character is looked at here.
        if (LOWORD(m_buffer.ReceiveUInt32()) != LOWORD(TAG_DB))
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            return;
        }
        {
            CGlobalLockGuard guard(pRecord->m_hGlobal, ::GlobalLock(pRecord->m_hGlobal));
            if (guard.Get() == nullptr)
            {
                ReportError(RECEIVER_ERROR_MEMORY);
                return;
            }
            // The block is fresh: its pages are faulted in beside the receive.
            CPageTouchThread touch(guard.Get(), pRecord->m_nSize);
            m_buffer.ReceiveBytes(pRecord->m_nSize, static_cast<BYTE*>(guard.Get()), &touch);
        }
        if (!strReceived.IsEmpty())
            strReceived += L",  ";
        strReceived += pRecord->m_strName;
        nTotal += pRecord->m_nSize;
    }

    if (m_bStop)
        return;
    if (nTotal != 0)
    {
        m_buffer.SendUInt32(REPLY_OK);
        AddLog(L"【正常受信" + m_strRSAMark + L"】" + m_strPeerName + L"  (" + FormatKB(nTotal) +
               L" KB) フォーマット: " + strReceived);
    }

    if (bPlaceholders)
    {
        ServeDelayedFormats();
        return;
    }

    for (int nTry = 0; nTry < 10; ++nTry)
    {
        // A receiver that has been stopped (a newer copy, a newer connection)
        // must not overwrite what the clipboard holds now.
        if (m_bStop)
            return;
        if (PutOnClipboard(nullptr))
            return;
        ::Sleep(100);
    }
    if (!m_bStop)
        ReportError(RECEIVER_ERROR_CLIPBOARD);
}

BOOL CReceiverThread::ReceiveDirectory(DWORD nLength, std::unique_ptr<BYTE, CReceiverThread::FreeDeleter>& directory)
{
    DWORD nCapacity = nLength < FIRST_DIRECTORY_PIECE ? nLength : FIRST_DIRECTORY_PIECE;
    BYTE* pBuffer = static_cast<BYTE*>(malloc(nCapacity));
    if (pBuffer == nullptr)
    {
        ReportError(RECEIVER_ERROR_MEMORY);
        return FALSE;
    }
    directory.reset(pBuffer);
    DWORD nDone = 0;
    for (;;)
    {
        m_buffer.ReceiveBytes(nCapacity - nDone, pBuffer + nDone);
        nDone = nCapacity;
        if (nDone == nLength)
            return TRUE;
        DWORD nNew = nCapacity <= nLength / 2 ? nCapacity * 2 : nLength;
        BYTE* p = static_cast<BYTE*>(realloc(pBuffer, nNew));
        if (p == nullptr)
        {
            ReportError(RECEIVER_ERROR_MEMORY);
            return FALSE;
        }
        directory.release();
        directory.reset(p);
        pBuffer = p;
        nCapacity = nNew;
    }
}

BOOL CReceiverThread::ReadFormatDirectory(int nLength, const BYTE* pDirectory)
{
    // First pass: every bound of every item, and the total of the announced
    // sizes against what this process can still take, before any block is
    // allocated. Second pass: the records.
    for (int nPass = 0; nPass < 2; ++nPass)
    {
        const BYTE* p = pDirectory;
        ULONGLONG nLeft = nLength < 0 ? 0 : static_cast<ULONGLONG>(nLength);
        auto readUInt32 = [&]() {
            DWORD n = DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
            p += 4;
            nLeft -= 4;
            return n;
        };
        if (nLeft < 4)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            return FALSE;
        }
        int nCount = static_cast<int>(readUInt32());
        if (nCount <= 0)
            return TRUE;
        if (nCount > MAX_DIRECTORY_ITEMS)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            return FALSE;
        }
        ULONGLONG nTotal = 0;
        for (int i = 0; i < nCount; ++i)
        {
            if (nLeft < 8)
            {
                ReportError(RECEIVER_ERROR_FORMAT);
                return FALSE;
            }
            DWORD nSizeLow = readUInt32();
            DWORD nSizeHigh = readUInt32();
            if (nSizeHigh != 0)
            {
                ReportError(RECEIVER_ERROR_MEMORY);
                return FALSE;
            }
            if (nLeft < 4)
            {
                ReportError(RECEIVER_ERROR_FORMAT);
                return FALSE;
            }
            UINT nFormat = readUInt32();
            if (nLeft < 4)
            {
                ReportError(RECEIVER_ERROR_FORMAT);
                return FALSE;
            }
            DWORD nNameLength = readUInt32();
            if (nNameLength > nLeft || nNameLength > MAX_NAME_LENGTH)
            {
                ReportError(RECEIVER_ERROR_FORMAT);
                return FALSE;
            }
            const BYTE* pName = p;
            p += nNameLength;
            nLeft -= nNameLength;
            nTotal += nSizeLow;
            if (nPass == 0)
                continue;

            CString strName;
            int nChars = static_cast<int>(nNameLength / 2);
            LPWSTR pszName = strName.GetBufferSetLength(nChars);
            for (int c = 0; c < nChars; ++c)
                pszName[c] = static_cast<WCHAR>(pName[2 * c] | (pName[2 * c + 1] << 8));
            strName.ReleaseBuffer(nChars);
            if (nFormat >= 0xC000 && nFormat <= 0xFFFF)
                nFormat = ::RegisterClipboardFormatW(strName);

            CBDF* pRecord;
            if (nSizeLow != 0)
            {
                HGLOBAL hBlock = ::GlobalAlloc(BLOCK_FLAGS, nSizeLow);
                if (hBlock == nullptr)
                {
                    ReportError(RECEIVER_ERROR_MEMORY);
                    return FALSE;
                }
                try
                {
                    pRecord = new CBDF(nFormat, strName, hBlock, nSizeLow);
                }
                catch (...)
                {
                    ::GlobalFree(hBlock);
                    throw;
                }
            }
            else
            {
                pRecord = new CBDF();
                pRecord->m_nFormat = nFormat;
                pRecord->m_strName = strName;
            }
            m_pData->Add(pRecord);
        }
        if (nPass == 0 && !CanHoldBytes(nTotal))
        {
            ReportError(RECEIVER_ERROR_MEMORY);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CReceiverThread::CanOffer(const CBDF* pRecord)
{
    // A format whose data is a GDI object or a handle can't be made from
    // bytes; such records keep their place (and index) but stay off the
    // clipboard. Id 0 is a name that could not be registered here.
    return pRecord != nullptr && pRecord->m_nFormat != 0 && !IsHandleClipboardFormat(pRecord->m_nFormat);
}

BOOL CReceiverThread::PutOnClipboard(CWnd* pOwner)
{
    HGLOBAL hMarker = ::GlobalAlloc(BLOCK_FLAGS, 1);
    if (hMarker == nullptr)
        return FALSE;
    {
        CGlobalLockGuard marker(hMarker, ::GlobalLock(hMarker));
        if (marker.Get() != nullptr)
            *static_cast<BYTE*>(marker.Get()) = 0;
    }
    HWND hOwner = pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr;
    COpenedClipboard clipboard;
    if (!clipboard.Open(hOwner))
    {
        ::GlobalFree(hMarker);
        return FALSE;
    }
    if (m_bStop)
    {
        // Stopped while waiting for the clipboard: leave it as it is.
        ::GlobalFree(hMarker);
        return FALSE;
    }
    ::EmptyClipboard();
    INT_PTR nCount = m_pData.IsNull() ? 0 : m_pData->GetCount();
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CBDF* pRecord = m_pData->GetAt(i);
        if (!CanOffer(pRecord))
            continue;
        if (pRecord->m_hGlobal != nullptr)
        {
            if (::SetClipboardData(pRecord->m_nFormat, pRecord->m_hGlobal) != nullptr)
                pRecord->m_hGlobal = nullptr;
        }
        else if (pRecord->m_nSize == 0 && hOwner != nullptr)
        {
            // Delayed rendering needs an owner window to ask.
            ::SetClipboardData(pRecord->m_nFormat, nullptr);
        }
    }
    if (::SetClipboardData(theApp.m_nInternalFormat, hMarker) == nullptr)
        ::GlobalFree(hMarker);
    return TRUE;
}
