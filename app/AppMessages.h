#pragma once

#include <windows.h>

// Private window messages and timer ids of the whole program (the tray menu
// commands are resource ids: res/resource.h).
// Worker threads never touch UI windows; they post these instead.

#define UWM_FORMATLISTCHANGED  (WM_APP + 1)   // capture -> open formats page (SendMessage), 0, 0
#define UWM_THREADSTATECHANGED (WM_APP + 2)   // thread lists / workers -> main frame, 0, 0
#define UWM_TRAYNOTIFY         (WM_APP + 3)   // tray icon callback; lParam: the mouse message
#define UWM_LOGQUEUED          (WM_APP + 4)   // AddLog -> main dialog, 0, 0
#define UWM_SERVERSTATUSQUEUED (WM_APP + 5)   // PushServerStatus -> main dialog, 0, 0
#define UWM_ENDRESIDENT        (WM_APP + 6)   // -> main frame; wParam 0 ask first, 1 don't ask
#define UWM_STOPSERVERWND      (WM_APP + 10)  // receiver being stopped -> its CServerWnd, 0, 0

// Timers. The two id-100 timers belong to different windows.
#define IDT_CLIPBOARD_DEBOUNCE 101  // main frame, 100 ms after the last WM_DRAWCLIPBOARD
#define IDT_CLIPBOARD_RETRY    100  // a CServerWnd, 10 ms
#define IDT_KEYGEN_PROGRESS    100  // the key-generation dialog, 100 ms
