#pragma once
#include <vector>

#include "afx/CPropertyPage.h"

// A modal property sheet over the system's property-sheet control. The page
// objects belong to the caller and must live until DoModal returns. The
// sheet's window is subclassed like any other while DoModal runs.
class CPropertySheet : public CWnd
{
public:
    // pParentWnd NULL: the application's main window, when it exists, owns the
    // sheet and is disabled while it runs.
    explicit CPropertySheet(LPCWSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;
    virtual ~CPropertySheet();

    void AddPage(CPropertyPage* pPage);

    // IDOK when the sheet was closed with its OK button, IDCANCEL for Cancel,
    // Esc or the close box, -1 when it couldn't be shown.
    virtual INT_PTR DoModal();

protected:
    // Watches the buttons so that DoModal can tell OK from Cancel: the
    // control's own result also counts an earlier Apply as "saved".
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static int CALLBACK SheetCallback(HWND hWnd, UINT uMsg, LPARAM lParam);

    CString m_strCaption;
    CWnd* m_pParentWnd;
    UINT m_nStartPage;
    std::vector<CPropertyPage*> m_pages;
    INT_PTR m_nResult;
};
