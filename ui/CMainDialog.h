#pragma once
// The content of the main window: server status, event log, version and the
// buttons. It fills the main frame and keeps its controls anchored to the
// edges when the window is resized.

#include "afx/Afx.h"
#include "ui/CNoSelEdit.h"

class CMainDialog : public CDialog
{
    DECLARE_DYNAMIC(CMainDialog)
public:
    explicit CMainDialog(CWnd* pParent);
    virtual ~CMainDialog();

    // The log is trimmed before a line is added once it holds more than this...
    static const int kLogTrimThreshold = 40000;
    // ...to about its last this many characters, from the start of a line.
    static const int kLogKeep = 20000;
    // The edit's usual limit: room for the line that follows the trim test.
    static const int kLogLimit = 41000;

    CArray<CRect, CRect&> m_arrAnchorRects;
    CRect m_rcInitialClient;
    CNoSelEdit m_editLog;
    CStatic m_staticIPv4;
    CStatic m_staticIPv6;
    CStatic m_staticVersion;
    CStatic m_staticIPv6Label;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter and Esc do nothing in the main window.
    void OnOK() override;
    void OnCancel() override;
    // Stops Enter and Esc before the dialog manager sees them.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSettings();
    afx_msg void OnDestroy();
    afx_msg LRESULT OnLogQueued(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnServerStatusQueued(WPARAM wParam, LPARAM lParam);
    afx_msg void OnEndResident();
    afx_msg void OnCloseWindow();
    afx_msg void OnClearLog();
    afx_msg void OnOpenHelp();

    DECLARE_MESSAGE_MAP()

private:
    void AppendLogLine(const CString& strLine);
    HWND MainWindow() const;
};
