#pragma once
// Enter a new connection password twice. The current one is never shown.

#include "afx/Afx.h"

class CPasswordDialog : public CDialog
{
    DECLARE_DYNAMIC(CPasswordDialog)
public:
    explicit CPasswordDialog(CWnd* pParent = nullptr);
    virtual ~CPasswordDialog();

    CString m_strPassword;  // set only when the dialog ends with IDOK
    CEdit m_editPassword;
    CEdit m_editConfirm;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
};
