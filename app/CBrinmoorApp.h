#pragma once
// The application object: start-up, the live settings of every part of the
// program and their locks, and the clean-up at exit.

#include <atomic>

#include "afx/Afx.h"
#include "afx/CKernelHandle.h"
#include "crypto/CBigNum.h"

class CDestinationDataArray;

class CBrinmoorApp : public CWinApp
{
public:
    CBrinmoorApp();
    virtual ~CBrinmoorApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Members in this order; each group that workers read has its own mutex.
    BOOL m_bSettingInitialized;
    CString m_strInternalFormatName;
    UINT m_nInternalFormat;

    CMutex m_mutexPassword;
    CString m_strPassword;  // under m_mutexPassword

    int m_nPort;
    int m_nServer;

    CMutex m_mutexKey;  // guards the four key members
    int m_nRSAMode;
    BOOL m_bKeyPresent;
    CBigNum m_bnPrivateExponent;
    CBigNum m_bnModulus;

    BOOL m_bDelay;                           // UI thread only
    int m_nNoDelayText;                      // KB, UI thread only
    CDestinationDataArray* m_pDestinations;  // owned, UI thread only

    CMutex m_mutexSendFormats;
    CStringArray m_arrSendFormats;  // under m_mutexSendFormats

    CMutex m_mutexSeenFormats;
    CStringArray m_arrSeenFormats;  // under m_mutexSeenFormats

    int m_nOnStart;  // 0 window, 1 balloon, other: silent
    BOOL m_bShowBalloonOnClose;

    CKernelHandle m_hStartEvent;
    CKernelHandle m_hStopEvent;

    BOOL m_bDeleteSettings;

    BOOL m_bDialogSizeKnown;
    int m_nDefaultWidth, m_nDefaultHeight;
    int m_nMinWidth, m_nMinHeight;

    // The main frame's window while it exists, for the threads that post to
    // the frame (the start watcher, the workers): they never touch the frame
    // object, which the UI thread deletes, nor m_pMainWnd, which it clears.
    std::atomic<HWND> m_hWndFrame;
    // The watcher's thread, waited for at exit so that it is gone before the
    // event handles are closed.
    CKernelHandle m_hWatcherThread;
};

extern CBrinmoorApp theApp;

// The message box of a start-up that ends here, also when the loss of the
// main window has already asked the message loop to end.
void ReportStartupFailure(LPCWSTR pszText);

// Thread procedure of the start-event watcher; ignores its parameter.
UINT StartEventWatcherProc(LPVOID pParam);

// Settings store helpers (their own files), declared here too for callers.
#include "app/PublicKeyStore.h"
