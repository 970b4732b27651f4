#include "app/EventLog.h"

#include <time.h>

#include "app/AppMessages.h"

// Built before every default-priority global (the thread lists, theApp, ...) and
// destroyed after them, so a constructor or destructor anywhere may log
// without depending on the link order of the objects.
CQueue<CString*> LogQueue __attribute__((init_priority(110)));
CQueue<CServerStatusQueueItem*> ServerStatusQueue __attribute__((init_priority(110)));

// Constant-initialised: valid before any constructor runs.
std::atomic<HWND> MainDialogWnd(nullptr);

CString FormatLogLine(__time64_t tNow, LPCWSTR pszText)
{
    // Fallbacks of a failed conversion: 00/00 -1:-1:-1.
    int nMonth = 0, nDay = 0, nHour = -1, nMinute = -1, nSecond = -1;
    struct tm tmLocal = {};
    if (_localtime64_s(&tmLocal, &tNow) == 0)
    {
        nMonth = tmLocal.tm_mon + 1;
        nDay = tmLocal.tm_mday;
        nHour = tmLocal.tm_hour;
        nMinute = tmLocal.tm_min;
        nSecond = tmLocal.tm_sec;
    }
    CString strLine;
    strLine.Format(L"%02d/%02d %02d:%02d:%02d ", nMonth, nDay, nHour, nMinute, nSecond);
    if (pszText != nullptr)
        strLine += pszText;
    strLine += L"\r\n";
    return strLine;
}

void AddLog(LPCWSTR pszText) { AddLog(CString(pszText != nullptr ? pszText : L"")); }

void AddLog(const CString& strText)
{
    CString strVisible(strText);
    for (int i = 0; i < strVisible.GetLength(); ++i)
    {
        wchar_t ch = strVisible.GetAt(i);
        if (ch < 0x20)
            strVisible.SetAt(i, static_cast<wchar_t>(0x2400 + ch));
    }
    CString* pLine = new CString(FormatLogLine(_time64(nullptr), strVisible));
    LogQueue.Push(pLine);
    // Posted after the queue's lock is released, so the dialog never waits on it.
    HWND hWnd = MainDialogWnd.load();
    if (hWnd != nullptr)
        ::PostMessageW(hWnd, UWM_LOGQUEUED, 0, 0);
}

void PushServerStatus(int bIPv6, LPCWSTR pszText)
{
    CServerStatusQueueItem* pItem = new CServerStatusQueueItem(bIPv6, pszText);
    ServerStatusQueue.Push(pItem);
    HWND hWnd = MainDialogWnd.load();
    if (hWnd != nullptr)
        ::PostMessageW(hWnd, UWM_SERVERSTATUSQUEUED, 0, 0);
}
