#pragma once
#include "afx/CDialog.h"

// The WM_CTLCOLOR* family: HBRUSH OnCtlColor(HDC, CWnd* control, UINT CTLCOLOR_* kind).
#define AFX_CTLCOLOR_ENTRY(msg, kind)                                                                                  \
    AFX_MSG_ENTRY(msg, 0, 0, 0, nullptr,                                                                               \
                  *pResult = reinterpret_cast<LRESULT>(pThis->OnCtlColor(                                              \
                      reinterpret_cast<HDC>(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)), kind)))
#define ON_WM_CTLCOLOR()                                                                                               \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORMSGBOX, CTLCOLOR_MSGBOX)                                                             \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLOREDIT, CTLCOLOR_EDIT)                                                                 \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORLISTBOX, CTLCOLOR_LISTBOX)                                                           \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORBTN, CTLCOLOR_BTN)                                                                   \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORDLG, CTLCOLOR_DLG)                                                                   \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORSCROLLBAR, CTLCOLOR_SCROLLBAR)                                                       \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORSTATIC, CTLCOLOR_STATIC)

// A dialog whose controls' colours can be chosen through OnCtlColor.
class CDialogEx : public CDialog
{
    DECLARE_DYNAMIC(CDialogEx)
public:
    CDialogEx() = default;
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}

protected:
    // The dialog manager's brush and colours for the control.
    afx_msg HBRUSH OnCtlColor(HDC hDC, CWnd* pWnd, UINT nCtlColor);
};
