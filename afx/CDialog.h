#pragma once
#include "afx/CDataExchange.h"
#include "afx/CWnd.h"

// A dialog from a template in the program's resources: modal (DoModal) or
// modeless (Create). OK and Cancel reach the virtual OnOK and OnCancel.
class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Modeless; the message loop passes its keyboard messages to IsDialogMessage.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // IDOK, IDCANCEL or the EndDialog value; -1 when the dialog can't be shown.
    // Without a parent the application's main window owns the dialog.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Exchanges data into the controls; TRUE: the dialog manager sets the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    BOOL PreTranslateMessage(MSG* pMsg) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

protected:
    BOOL m_bModal;

    // The dialog procedure under the dialog manager: only WM_INITDIALOG.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LPCDLGTEMPLATEW LoadTemplate() const;

    DECLARE_MESSAGE_MAP()
};
