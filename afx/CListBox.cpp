#include "afx/CListBox.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

void CListBox::GetText(int nIndex, CString& rString) const
{
    int nLen = static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex)));
    if (nLen == LB_ERR)
    {
        rString.Empty();
        return;
    }
    LPWSTR p = rString.GetBuffer(nLen + 1);
    int nGot = static_cast<int>(SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(p)));
    rString.ReleaseBuffer(nGot == LB_ERR ? 0 : nGot);
}
