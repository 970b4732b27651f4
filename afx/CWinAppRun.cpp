#include "afx/CWinApp.h"
#include "afx/CWnd.h"

// The UI thread's message loop. Keyboard messages of a modeless dialog go
// through IsDialogMessage (CDialog::PreTranslateMessage) so that Tab, Enter
// and Esc work in the main window.
int CWinApp::Run()
{
    MSG msg;
    for (;;)
    {
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            CWnd::DeleteTempMap();  // idle
        if (!PumpMessage())
            break;
    }
    CWnd::DeleteTempMap();
    return ExitInstance();
}

BOOL CWinApp::PumpMessage()
{
    MSG msg;
    BOOL bResult = ::GetMessageW(&msg, nullptr, 0, 0);
    if (bResult == 0 || bResult == -1)
        return FALSE;  // WM_QUIT; -1 can't happen with these arguments
    if (!CWnd::WalkPreTranslateTree(&msg))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}
