#include "afx/CDialogEx.h"

IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

HBRUSH CDialogEx::OnCtlColor(HDC hDC, CWnd* pWnd, UINT nCtlColor) { return reinterpret_cast<HBRUSH>(Default()); }
