#pragma once
// Confirms the end of the program, with the check box "delete settings".

#include "afx/Afx.h"

class CExitDialog : public CDialog
{
    DECLARE_DYNAMIC(CExitDialog)
public:
    explicit CExitDialog(CWnd* pParent = nullptr);
    virtual ~CExitDialog();

    BOOL m_bDeleteSettings;  // the check box, set before DoModal, read after IDOK

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
};
