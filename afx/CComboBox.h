#pragma once
#include "afx/CWnd.h"

// A combo box control; each method is one message to it.
class CComboBox : public CWnd
{
    DECLARE_DYNAMIC(CComboBox)
public:
    int AddString(LPCWSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
    }
    // CB_ERR (-1) when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // -1 clears the selection; CB_ERR when nSelect is out of range.
    int SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
};
