#pragma once
#include <windows.h>
#include "afx/CString.h"

class CWnd;

// One run of a dialog's DoDataExchange: to the controls (m_bSaveAndValidate
// FALSE) or from them. A failed check marks the exchange and focuses the control;
// UpdateData then returns FALSE.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_bFailed(FALSE), m_hWndLastControl(nullptr)
    {}

    // The control nIDC of the dialog; marks the exchange failed when there is none.
    HWND PrepareCtrl(int nIDC);
    void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    BOOL m_bFailed;
    HWND m_hWndLastControl;
};

// Binds rControl to the dialog's control nIDC (subclassing it) on the first exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Check box: BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Radio group starting at nIDC (WS_GROUP on the first button): index of the
// checked button, -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Combo box selection index, -1 for none.
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Decimal; reading fails (and marks the exchange) when the text is not a number.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
