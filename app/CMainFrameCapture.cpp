// The capture of one copy: from the clipboard to the senders.

#include "app/CMainFrame.h"

#include "app/CBrinmoorApp.h"
#include "app/CClipboardCapture.h"
#include "app/EventLog.h"
#include "net/CSenderThread.h"
#include "net/CSocketedThreadList.h"
#include "app/AppMessages.h"
#include "ui/CFormatDialog.h"

int CMainFrame::SendClipboardData()
{
    CBrinmoorApp* pApp = static_cast<CBrinmoorApp*>(AfxGetApp());

    // Every new copy makes the senders of the previous one stale, also when
    // it turns out to send nothing.
    SenderThreadList.StopAll(FALSE);

    CStringArray arrSendFormats;
    {
        CSingleLock lock(&pApp->m_mutexSendFormats, TRUE);
        arrSendFormats.Copy(pApp->m_arrSendFormats);
    }

    CClipboardReader reader;
    CClipboardCapture capture(reader);
    CClipboardCapture::RESULT result =
        capture.Capture(m_hWnd, pApp->m_nInternalFormat, pApp->m_bDelay, pApp->m_nNoDelayText, arrSendFormats);
    if (result == CClipboardCapture::CAPTURE_OPEN_FAILED)
        return FALSE;  // the caller's timer tries again
    if (result == CClipboardCapture::CAPTURE_OWN_CONTENTS)
        return TRUE;  // our own receiver's data: the receivers keep serving it

    if (result == CClipboardCapture::CAPTURE_NO_MEMORY)
    {
        AddLog(L"【送信エラー】メモリが不足しているため送信処理ができません。");
        ReceiverThreadList.StopAll(FALSE);
        SenderThreadList.StopAll(FALSE);
    }
    else
    {
        // Whatever a receiver still offers from an earlier copy is stale now.
        ReceiverThreadList.StopAll(FALSE);
        if (capture.m_pRecords->GetCount() > 0)
        {
            StartSenderThreads(capture.m_pRecords);
        }
        else
        {
            SenderThreadList.StopAll(FALSE);
            AddLog(L"【送信エラー】クリップボードに転送可能なフォーマットのデータがありません。");
        }
    }

    {
        CSingleLock lock(&pApp->m_mutexSeenFormats, TRUE);
        pApp->m_arrSeenFormats.Copy(capture.m_arrSeenFormats);
    }
    HWND hWndFormatPage = FormatPageWnd;
    if (hWndFormatPage != nullptr)
        ::SendMessageW(hWndFormatPage, UWM_FORMATLISTCHANGED, 0, 0);
    return TRUE;
}
