// The receiver while it holds placeholders: its clipboard-owner window, the
// message loop with the keep-alive, and the on-demand fetch of one format.
#include "net/CReceiverThread.h"
#include "net/CServerWnd.h"
#include "net/Protocol.h"
#include "net/CPageTouchThread.h"
#include "afx/CGlobalLockGuard.h"
#include "app/EventLog.h"

namespace {

const UINT BLOCK_FLAGS = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
const DWORD KEEPALIVE_MS = 1000;
const DWORD POLL_MS = 100;

// A paste waits in the pasting program's GetClipboardData while its format is
// fetched; Windows gives up on a delayed render after about 30 s, and some
// systems never do. A sender that sends nothing for this long in the middle
// of a request is taken as gone.
const DWORD REQUEST_SILENCE_MS = 20000;

// The sender fell silent in the middle of a request.
class CRequestSilenceException : public CSocketBufferException
{
public:
    CRequestSilenceException() : CSocketBufferException(WSAETIMEDOUT, 0) {}
};

// Exactly nCount bytes of an answer, or the silence exception once the
// sender has sent nothing for the limit; a stop (the socket's aborted mark) is
// seen within one poll.
void ReceiveWithinLimit(CSocketBuffer& buffer, DWORD nCount, BYTE* pBuffer, CPageTouchThread* pTouch = nullptr)
{
    if (!buffer.ReceiveBytesWithin(nCount, pBuffer, REQUEST_SILENCE_MS, pTouch))
        throw CRequestSilenceException();
}

DWORD ReceiveUInt32WithinLimit(CSocketBuffer& buffer)
{
    BYTE b[4];
    ReceiveWithinLimit(buffer, 4, b);
    return DWORD(b[0]) | (DWORD(b[1]) << 8) | (DWORD(b[2]) << 16) | (DWORD(b[3]) << 24);
}

ULONGLONG ReceiveUInt64WithinLimit(CSocketBuffer& buffer)
{
    BYTE b[8];
    ReceiveWithinLimit(buffer, 8, b);
    ULONGLONG n = 0;
    for (int i = 7; i >= 0; --i)
        n = (n << 8) | b[i];
    return n;
}

}  // namespace

void CReceiverThread::ServeDelayedFormats()
{
    CServerWnd wnd;
    wnd.m_pThread = this;
    BOOL bCreated = FALSE;
    try
    {
        // WM_CREATE puts the records on the clipboard (or starts the retry
        // timer) before this returns.
        bCreated = wnd.CreateEx(0, AfxRegisterWndClass(0), L"", 0, CRect(0, 0, 0, 0), nullptr, 0, nullptr);
    }
    catch (CResourceException&)
    {}
    if (!bCreated)
    {
        AddLog(L"内部エラー：メモリやリソースが不足している可能性があります。");
        return;
    }

    DWORD nLast = ::GetTickCount();
    while (!m_bStop)
    {
        MSG msg;
        // Once the window has gone, whatever else is queued for the thread.
        if (::PeekMessageW(&msg, wnd.GetSafeHwnd(), 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            continue;
        }
        if (m_bStop)
            break;
        // A request served meanwhile has sent nothing that counts as a
        // keep-alive; the unsigned difference survives the tick count's wrap.
        if (::GetTickCount() - nLast >= KEEPALIVE_MS)
        {
            try
            {
                m_buffer.SendUInt32(TAG_AL);
            }
            catch (CSocketBufferException&)
            {
                // The sender has gone: end quietly, the window with us.
                Stop();
                continue;
            }
            nLast = ::GetTickCount();
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, POLL_MS, QS_ALLINPUT);
    }
    // The window, if it still exists, goes with the object.
}

BOOL CReceiverThread::LogNoData(const CBDF* pRecord)
{
    AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName + L" 受信できません。フォーマット: " +
           pRecord->m_strName);
    SetStatus(1);
    return FALSE;
}

BOOL CReceiverThread::RenderFormat(UINT nFormat)
{
    INT_PTR nIndex = -1;
    CBDF* pRecord = nullptr;
    for (INT_PTR i = 0; i < m_pData->GetCount(); ++i)
    {
        CBDF* p = m_pData->GetAt(i);
        if (p != nullptr && p->m_nFormat == nFormat)
        {
            nIndex = i;
            pRecord = p;
            break;
        }
    }
    // Handle-valued formats were never offered: bytes can't make them.
    if (pRecord == nullptr || IsHandleClipboardFormat(nFormat))
    {
        SetStatus(1);
        return FALSE;
    }
    if (pRecord->m_hGlobal != nullptr)
    {
        // Fetched earlier and refused by the clipboard then: hand it over now,
        // without asking the sender again.
        if (m_pfnHandOver(nFormat, pRecord->m_hGlobal) != nullptr)
        {
            pRecord->m_hGlobal = nullptr;
            return TRUE;
        }
        ReportError(RECEIVER_ERROR_CLIPBOARD);
        return FALSE;
    }

    // A receiver being stopped asks nothing more: after a malformed answer
    // its stream is out of step, and a paste that is delivered before the
    // window's stop message must not wait on it.
    if (m_bStop)
        return FALSE;

    // The socket calls below don't retrieve window messages, so a second
    // WM_RENDERFORMAT (or a keep-alive) can't cut into this exchange: it waits
    // in its sender's SendMessage until this one is over.
    SetStatus(2);
    HGLOBAL hBlock = nullptr;
    try
    {
        CSendBuffer request;
        request.AppendString(L"SF");
        request.AppendUInt32(static_cast<DWORD>(nIndex));
        m_buffer.Send(request);
        DWORD nAnswer = ReceiveUInt32WithinLimit(m_buffer);
        if (nAnswer == REPLY_NO_DATA)
            return LogNoData(pRecord);
        if (nAnswer != TAG_DL)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            Stop();
            return FALSE;
        }
        ULONGLONG nSize = ReceiveUInt64WithinLimit(m_buffer);
        // The peer's size is allocated only when this process can take it.
        if ((nSize >> 32) == 0 && CanHoldBytes(nSize))
            hBlock = ::GlobalAlloc(BLOCK_FLAGS, static_cast<SIZE_T>(nSize));
        if (hBlock == nullptr)
        {
            m_buffer.SendUInt32(REPLY_CANNOT_HOLD);
            ReportError(RECEIVER_ERROR_MEMORY);
            SetStatus(1);
            return FALSE;
        }
        m_buffer.SendUInt32(REPLY_OK);
        // Both characters of "DB" must match here.
        if (ReceiveUInt32WithinLimit(m_buffer) != TAG_DB)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            ::GlobalFree(hBlock);
            Stop();
            return FALSE;
        }
        {
            CGlobalLockGuard guard(hBlock, ::GlobalLock(hBlock));
            if (nSize != 0 && guard.Get() == nullptr)
                AfxThrowMemoryException();
            // The block is fresh: its pages are faulted in beside the receive.
            CPageTouchThread touch(guard.Get(), static_cast<SIZE_T>(nSize));
            ReceiveWithinLimit(m_buffer, static_cast<DWORD>(nSize), static_cast<BYTE*>(guard.Get()), &touch);
        }
        m_buffer.SendUInt32(REPLY_OK);
        if (nSize == 0)
        {
            // An empty block pastes nothing: the sender had no data for it.
            ::GlobalFree(hBlock);
            hBlock = nullptr;
            return LogNoData(pRecord);
        }
        AddLog(L"【正常受信" + m_strRSAMark + L"】" + m_strPeerName + L"  (" + FormatKB(nSize) +
               L" KB) フォーマット: " + pRecord->m_strName);
        SetStatus(1);
        // The pasting program holds the clipboard open for this.
        if (m_pfnHandOver(nFormat, hBlock) != nullptr)
            return TRUE;
        AddLog(L"【エラー】 受信したデータの貼り付けに失敗しました。時間がかかりすぎたためかもしれません。"
               L"受信したデータは保持されていますので貼り付けをやり直してみてください。");
        pRecord->m_hGlobal = hBlock;
        SetStatus(1);
        return FALSE;
    }
    catch (CRequestSilenceException&)
    {
        AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName +
               L" 送信元から20秒間応答がないため受信を中止しました。フォーマット: " + pRecord->m_strName);
        if (hBlock != nullptr)
            ::GlobalFree(hBlock);
        Stop();
        return FALSE;
    }
    catch (CSocketBufferException& e)
    {
        ReportError(e.m_bSend ? RECEIVER_ERROR_SEND : RECEIVER_ERROR_RECEIVE);
        if (hBlock != nullptr)
            ::GlobalFree(hBlock);
        Stop();
        return FALSE;
    }
    catch (CMemoryException&)
    {
        ReportError(RECEIVER_ERROR_MEMORY);
        if (hBlock != nullptr)
            ::GlobalFree(hBlock);
        Stop();
        return FALSE;
    }
}
