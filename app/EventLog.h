#pragma once

#include <atomic>

#include "afx/Afx.h"
#include "app/CQueue.h"
#include "app/CServerStatusQueueItem.h"

// The two queues through which every thread hands text to the main dialog,
// which empties them on UWM_LOGQUEUED / UWM_SERVERSTATUSQUEUED. They are built
// before, and destroyed after, every other global of the program, so any
// global's constructor or destructor may log.
extern CQueue<CString*> LogQueue;  // complete lines: stamp, text, "\r\n"
extern CQueue<CServerStatusQueueItem*> ServerStatusQueue;

// The main dialog's window while it exists, NULL otherwise. Written only on the
// UI thread (set in the dialog's initialisation, cleared on destruction); read
// by producers without a lock.
extern std::atomic<HWND> MainDialogWnd;

// Queues one event-log line "MM/DD hh:mm:ss " + text + "\r\n" (local time) and
// tells the main dialog. Any thread; NULL counts as empty text. The text is
// taken whole: a character below U+0020 (a NUL or a line break in a name from
// the network) shows as its control picture (U+2400 + code) and neither cuts
// nor breaks the line.
void AddLog(LPCWSTR pszText);
void AddLog(const CString& strText);

// Queues a server-status text for the IPv4 (0) or IPv6 (non-zero) line and
// tells the main dialog. Any thread; NULL counts as empty text.
void PushServerStatus(int bIPv6, LPCWSTR pszText);

// The line AddLog queues for a given time; exposed for tests.
CString FormatLogLine(__time64_t tNow, LPCWSTR pszText);
