#include "afx/CComboBox.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

void CComboBox::GetLBText(int nIndex, CString& rString) const
{
    int nLen = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
    if (nLen == CB_ERR) {
        rString.Empty();
        return;
    }
    LPWSTR p = rString.GetBuffer(nLen + 1);
    int nGot = static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(p)));
    rString.ReleaseBuffer(nGot == CB_ERR ? 0 : nGot);
}
