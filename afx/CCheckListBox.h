#pragma once
#include "afx/CListBox.h"

// Notification code sent to the parent (WM_COMMAND) when a row's check mark
// changed by a click or the space bar.
#define CLBN_CHKCHANGE                   40
#define ON_CLBN_CHKCHANGE(id, memberFxn) ON_CONTROL(CLBN_CHKCHANGE, id, memberFxn)

// Owner-drawn WM_DRAWITEM reflected by the parent to the control itself.
#define AFX_WM_REFLECT_DRAWITEM (0x2000 + WM_DRAWITEM)

// A list box (owner-drawn fixed rows with strings) whose rows carry a check
// box. The check state lives in each row's item data (0 or 1). The control
// must be subclassed (DDX_Control) and its parent must reflect WM_DRAWITEM as
// AFX_WM_REFLECT_DRAWITEM (property pages do).
class CCheckListBox : public CListBox
{
    DECLARE_DYNAMIC(CCheckListBox)
public:
    // 0 or 1; LB_ERR for a row that doesn't exist.
    int GetCheck(int nIndex) const;
    void SetCheck(int nIndex, int nCheck);

    // Like CListBox's, and the row height fits the check box.
    int AddString(LPCWSTR lpszItem);
    int InsertString(int nIndex, LPCWSTR lpszItem);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    LRESULT OnReflectDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    int CheckBoxSize() const;
    void EnsureItemHeight();
    void ToggleAndNotify(int nIndex);
    void InvalidateItem(int nIndex);

    BOOL m_bHeightSet = FALSE;
};
