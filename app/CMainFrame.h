#pragma once
// The main window: hosts the main dialog, sits in the clipboard viewer chain,
// owns the tray icon and ends the program. Hidden while the program sits in
// the tray. Everything here runs on the UI thread.

#include "afx/Afx.h"

class CMainDialog;

// The shell's "TaskbarCreated" message; set by the frame's constructor.
extern UINT TaskbarCreatedMessage;
// Counters of the re-entry guards of opening the window and ending the program.
extern LONG OpenWindowGuardCount;
extern LONG QuitGuardCount;

class CMainFrame : public CFrameWnd
{
    DECLARE_DYNAMIC(CMainFrame)
public:
    CMainFrame();
    virtual ~CMainFrame();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    // Shows the window; the first show with a non-zero command applies the
    // placement saved under "Frame", or the main dialog's default size.
    void ShowWithSavedPlacement(int nCmdShow);
    // A balloon on the tray icon; failures are ignored.
    void ShowBalloon(LPCWSTR pszText);
    // The clipboard capture (its own file). FALSE only when the clipboard
    // could not be opened; the timer then tries again.
    int SendClipboardData();
    // Writes the placement to "Frame" while the window is visible.
    void SaveWindowPlacement();
    // NIM_ADD, up to 100 tries 100 ms apart, then a message box.
    BOOL AddTrayIcon();

    // The tray icon's resource id for sender state s and receiver state r;
    // a state outside 0..2 counts as 0.
    static int TrayIconId(int nSenderState, int nReceiverState);
    // The icon for the current states of the sender and receiver lists.
    int ChooseTrayIcon();

    int m_nTrayIcon;             // id of the icon now shown; -1 before the first
    CMainDialog* m_pMainDialog;  // owned
    BOOL m_bFirstShow;
    HWND m_hWndNextViewer;
    BOOL m_bViewerRegistered;  // SetClipboardViewer has returned

    // Test seam: when set, the capture timer calls this instead of SendClipboardData.
    static int (*m_pfnCaptureHook)(CMainFrame* pFrame);

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg LRESULT OnUpdateTrayIcon(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDestroy();
    afx_msg void OnOpenWindow();
    afx_msg void OnClose();
    afx_msg LRESULT OnQuitRequest(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTrayExit();
    afx_msg BOOL OnQueryEndSession();
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    afx_msg void OnEndSession(BOOL bEnding);
    afx_msg void OnChangeCbChain(HWND hWndRemove, HWND hWndAfter);
    afx_msg void OnDrawClipboard();
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

private:
    // Window size minus client size, measured now.
    void GetNonClientSize(int& ncW, int& ncH) const;
    void StopAllWorkers();
};
