#pragma once
#include "afx/CWnd.h"

// A push button, check box or radio button; each method is one message to it.
class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
};
