#pragma once
// An edit control whose text the dialog manager does not select when the
// focus moves to it (the event log).

#include "afx/Afx.h"

class CNoSelEdit : public CEdit
{
    DECLARE_DYNAMIC(CNoSelEdit)
public:
    CNoSelEdit();
    virtual ~CNoSelEdit();

protected:
    afx_msg UINT OnGetDlgCode();

    DECLARE_MESSAGE_MAP()
};
