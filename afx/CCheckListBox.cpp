#include "afx/CCheckListBox.h"

IMPLEMENT_DYNAMIC(CCheckListBox, CListBox)

BEGIN_MESSAGE_MAP(CCheckListBox, CListBox)
    ON_MESSAGE(AFX_WM_REFLECT_DRAWITEM, &CCheckListBox::OnReflectDrawItem)
    ON_MESSAGE(WM_LBUTTONDOWN, &CCheckListBox::OnLButtonDown)
    ON_MESSAGE(WM_LBUTTONDBLCLK, &CCheckListBox::OnLButtonDown)
    ON_MESSAGE(WM_KEYDOWN, &CCheckListBox::OnKeyDown)
END_MESSAGE_MAP()

int CCheckListBox::GetCheck(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return LB_ERR;
    return GetItemData(nIndex) != 0 ? 1 : 0;
}

void CCheckListBox::SetCheck(int nIndex, int nCheck)
{
    if (SetItemData(nIndex, nCheck ? 1 : 0) != LB_ERR)
        InvalidateItem(nIndex);
}

int CCheckListBox::AddString(LPCWSTR lpszItem)
{
    EnsureItemHeight();
    return CListBox::AddString(lpszItem);
}

int CCheckListBox::InsertString(int nIndex, LPCWSTR lpszItem)
{
    EnsureItemHeight();
    return CListBox::InsertString(nIndex, lpszItem);
}

int CCheckListBox::CheckBoxSize() const { return 13; }

void CCheckListBox::EnsureItemHeight()
{
    // The row height is fixed when the control is created, before any object
    // is attached, from the system font; the dialog font comes later.
    if (m_bHeightSet || m_hWnd == nullptr)
        return;
    int nHeight = CheckBoxSize() + 2;
    HDC hDC = ::GetDC(m_hWnd);
    if (hDC != nullptr)
    {
        HFONT hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        HGDIOBJ hOld = hFont ? ::SelectObject(hDC, hFont) : nullptr;
        TEXTMETRICW tm;
        if (::GetTextMetricsW(hDC, &tm) && tm.tmHeight + 2 > nHeight)
            nHeight = tm.tmHeight + 2;
        if (hOld)
            ::SelectObject(hDC, hOld);
        ::ReleaseDC(m_hWnd, hDC);
    }
    SendMessage(LB_SETITEMHEIGHT, 0, MAKELPARAM(nHeight, 0));
    m_bHeightSet = TRUE;
}

void CCheckListBox::InvalidateItem(int nIndex)
{
    RECT rc;
    if (GetItemRect(nIndex, &rc) != LB_ERR)
        ::InvalidateRect(m_hWnd, &rc, FALSE);
}

void CCheckListBox::ToggleAndNotify(int nIndex)
{
    SetCheck(nIndex, GetCheck(nIndex) == 1 ? 0 : 1);
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent != nullptr)
    {
        ::SendMessageW(hParent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), CLBN_CHKCHANGE),
                       reinterpret_cast<LPARAM>(m_hWnd));
    }
}

LRESULT CCheckListBox::OnLButtonDown(WPARAM wParam, LPARAM lParam)
{
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    LRESULT r = SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    int nIndex = (int)LOWORD(r);
    BOOL bInside = HIWORD(r) == 0;
    // The click also selects the row, as on any list box.
    LRESULT lResult = Default();
    RECT rc;
    if (bInside && GetItemRect(nIndex, &rc) != LB_ERR && pt.x < rc.left + CheckBoxSize() + 4)
        ToggleAndNotify(nIndex);
    return lResult;
}

LRESULT CCheckListBox::OnKeyDown(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_SPACE)
    {
        int nIndex = GetCaretIndex();
        if (nIndex >= 0 && nIndex < GetCount())
            ToggleAndNotify(nIndex);
        return 0;
    }
    return Default();
}

LRESULT CCheckListBox::OnReflectDrawItem(WPARAM, LPARAM lParam)
{
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
}

void CCheckListBox::DrawItem(LPDRAWITEMSTRUCT pDis)
{
    if (pDis == nullptr)
        return;
    HDC hDC = pDis->hDC;
    RECT rcItem = pDis->rcItem;
    if ((int)pDis->itemID < 0)
    {
        if (pDis->itemState & ODS_FOCUS)
            ::DrawFocusRect(hDC, &rcItem);
        return;
    }
    int nBox = CheckBoxSize();
    RECT rcBox = rcItem;
    rcBox.right = rcBox.left + nBox + 4;
    ::FillRect(hDC, &rcBox, ::GetSysColorBrush(COLOR_WINDOW));
    RECT rcCheck = {rcBox.left + 2, rcItem.top + (rcItem.bottom - rcItem.top - nBox) / 2, 0, 0};
    rcCheck.right = rcCheck.left + nBox;
    rcCheck.bottom = rcCheck.top + nBox;
    UINT nState = DFCS_BUTTONCHECK | DFCS_FLAT | (pDis->itemData ? DFCS_CHECKED : 0);
    if (!::IsWindowEnabled(m_hWnd))
        nState |= DFCS_INACTIVE;
    ::DrawFrameControl(hDC, &rcCheck, DFC_BUTTON, nState);

    RECT rcText = rcItem;
    rcText.left = rcBox.right;
    BOOL bSelected = (pDis->itemState & ODS_SELECTED) != 0;
    ::FillRect(hDC, &rcText, ::GetSysColorBrush(bSelected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    CString strText;
    GetText((int)pDis->itemID, strText);
    int nOldMode = ::SetBkMode(hDC, TRANSPARENT);
    COLORREF crOld = ::SetTextColor(hDC, ::GetSysColor(!::IsWindowEnabled(m_hWnd) ? COLOR_GRAYTEXT
                                                       : bSelected                ? COLOR_HIGHLIGHTTEXT
                                                                                  : COLOR_WINDOWTEXT));
    RECT rcDraw = rcText;
    rcDraw.left += 2;
    ::DrawTextW(hDC, strText, strText.GetLength(), &rcDraw, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SetTextColor(hDC, crOld);
    ::SetBkMode(hDC, nOldMode);
    if (pDis->itemState & ODS_FOCUS)
        ::DrawFocusRect(hDC, &rcText);
}
