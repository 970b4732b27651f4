#pragma once
#include "afx/CDialog.h"

#include <commctrl.h>

// One page of a CPropertySheet. The sheet's control creates the page window
// the first time its tab is shown; the page object is attached to it then.
// The sheet's notifications reach the virtual handlers below: PSN_SETACTIVE
// OnSetActive, PSN_KILLACTIVE OnKillActive, PSN_APPLY (OK and Apply) OnApply,
// which calls OnOK, and PSN_RESET (Cancel) OnReset, which calls OnCancel.
class CPropertyPage : public CDialog
{
    DECLARE_DYNAMIC(CPropertyPage)
public:
    // nIDCaption 0: the tab shows the template's caption.
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    virtual ~CPropertyPage();

    // Enables (TRUE) or clears (FALSE) this page's claim on the Apply button.
    void SetModified(BOOL bChanged = TRUE);

    virtual BOOL OnSetActive();   // TRUE: the page may be shown
    virtual BOOL OnKillActive();  // data exchange from the controls; FALSE keeps the page
    virtual BOOL OnApply();       // OnOK, then TRUE
    virtual void OnReset();       // OnCancel
    // A page doesn't end the sheet: the sheet's buttons do.
    void OnOK() override;
    void OnCancel() override;

    // Filled by the constructor; the sheet sets the dialog procedure and lParam.
    PROPSHEETPAGEW m_psp;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Reflects owner-draw requests of controls to the controls themselves.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Attaches the page object to its window at WM_INITDIALOG.
    static INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    friend class CPropertySheet;

private:
    CString m_strCaption;
    BOOL m_bInInitDialog;
};
