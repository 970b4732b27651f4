// The receiver while it holds placeholders: the keep-alive loop and the
// on-demand fetch of one format from the sender.
#include "net/CReceiverThread.h"
#include "net/Protocol.h"
#include "app/CGlobalLockGuard.h"
#include "app/EventLog.h"

namespace {
const UINT BLOCK_FLAGS = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
const DWORD KEEPALIVE_MS = 1000;
const DWORD POLL_MS = 100;
}

void CReceiverThread::ServeDelayedFormats()
{
    // Until the clipboard-owner window takes this over, the records that came
    // with data go on the clipboard without an owner (placeholders need one),
    // retried at every poll, and the connection is kept with keep-alives.
    BOOL bOnClipboard = FALSE;
    DWORD nLast = ::GetTickCount();
    while (!m_bStop)
    {
        MSG msg;
        if (::PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message != WM_QUIT)
            {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            continue;
        }
        if (!bOnClipboard && PutOnClipboard(NULL))
        {
            bOnClipboard = TRUE;
            AddLog(L"【受信可能" + m_strRSAMark + L"】" + m_strPeerName + L" フォーマット: " +
                   m_strDelayedFormats);
            SetStatus(1);
        }
        if (::GetTickCount() - nLast >= KEEPALIVE_MS)
        {
            try
            {
                m_buffer.SendUInt32(TAG_AL);
            }
            catch (CSocketBufferException&)
            {
                // The sender has gone: end quietly.
                Stop();
                break;
            }
            nLast = ::GetTickCount();
        }
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, POLL_MS, QS_ALLINPUT);
    }
}

BOOL CReceiverThread::RenderFormat(UINT nFormat)
{
    INT_PTR nIndex = -1;
    CBDF* pRecord = NULL;
    for (INT_PTR i = 0; i < m_pData->GetCount(); ++i)
    {
        CBDF* p = m_pData->GetAt(i);
        if (p != NULL && p->m_nFormat == nFormat)
        {
            nIndex = i;
            pRecord = p;
            break;
        }
    }
    if (pRecord == NULL || IsHandleClipboardFormat(nFormat))
    {
        SetStatus(1);
        return FALSE;
    }
    if (pRecord->m_hGlobal != NULL)
    {
        // Fetched earlier, refused by the clipboard then: hand it over now.
        if (::SetClipboardData(nFormat, pRecord->m_hGlobal) != NULL)
        {
            pRecord->m_hGlobal = NULL;
            return TRUE;
        }
        ReportError(RECEIVER_ERROR_CLIPBOARD);
        return FALSE;
    }

    SetStatus(2);
    HGLOBAL hBlock = NULL;
    try
    {
        CSendBuffer request;
        request.AppendString(L"SF");
        request.AppendUInt32(static_cast<DWORD>(nIndex));
        m_buffer.Send(request);
        DWORD nAnswer = m_buffer.ReceiveUInt32();
        if (nAnswer == REPLY_NO_DATA)
        {
            AddLog(L"【受信エラー" + m_strRSAMark + L"】" + m_strPeerName + L" 受信できません。フォーマット: " +
                   pRecord->m_strName);
            SetStatus(1);
            return FALSE;
        }
        if (nAnswer != TAG_DL)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            Stop();
            return FALSE;
        }
        ULONGLONG nSize = m_buffer.ReceiveUInt64();
        if ((nSize >> 32) == 0 && CanHoldBytes(nSize))
            hBlock = ::GlobalAlloc(BLOCK_FLAGS, static_cast<SIZE_T>(nSize));
        if (hBlock == NULL)
        {
            m_buffer.SendUInt32(REPLY_CANNOT_HOLD);
            ReportError(RECEIVER_ERROR_MEMORY);
            SetStatus(1);
            return FALSE;
        }
        m_buffer.SendUInt32(REPLY_OK);
        BYTE abTag[4];
        m_buffer.ReceiveBytes(4, abTag);
        if (abTag[0] != 0x44 || abTag[1] != 0x00 || abTag[2] != 0x42 || abTag[3] != 0x00)
        {
            ReportError(RECEIVER_ERROR_FORMAT);
            ::GlobalFree(hBlock);
            Stop();
            return FALSE;
        }
        {
            CGlobalLockGuard guard(hBlock, ::GlobalLock(hBlock));
            if (nSize != 0 && guard.Get() == NULL)
                AfxThrowMemoryException();
            m_buffer.ReceiveBytes(static_cast<DWORD>(nSize), static_cast<BYTE*>(guard.Get()));
        }
        m_buffer.SendUInt32(REPLY_OK);
        AddLog(L"【正常受信" + m_strRSAMark + L"】" + m_strPeerName + L"  (" + FormatKB(nSize) +
               L" KB) フォーマット: " + pRecord->m_strName);
        SetStatus(1);
        if (::SetClipboardData(nFormat, hBlock) != NULL)
            return TRUE;
        AddLog(L"【エラー】 受信したデータの貼り付けに失敗しました。時間がかかりすぎたためかもしれません。"
               L"受信したデータは保持されていますので貼り付けをやり直してみてください。");
        pRecord->m_hGlobal = hBlock;
        SetStatus(1);
        return FALSE;
    }
    catch (CSocketBufferException& e)
    {
        ReportError(e.m_bSend ? RECEIVER_ERROR_SEND : RECEIVER_ERROR_RECEIVE);
        if (hBlock != NULL)
            ::GlobalFree(hBlock);
        Stop();
        return FALSE;
    }
    catch (CMemoryException&)
    {
        ReportError(RECEIVER_ERROR_MEMORY);
        if (hBlock != NULL)
            ::GlobalFree(hBlock);
        Stop();
        return FALSE;
    }
}
