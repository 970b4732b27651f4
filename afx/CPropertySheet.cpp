#include "afx/CPropertySheet.h"

namespace {

// The sheet whose control is being created on this thread; its callback has
// no parameter of its own.
thread_local CPropertySheet* t_pSheetInit = nullptr;

}  // namespace

CPropertySheet::CPropertySheet(LPCWSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage), m_nResult(IDCANCEL)
{}

CPropertySheet::~CPropertySheet() {}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (pPage != nullptr)
        m_pages.push_back(pPage);
}

int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT uMsg, LPARAM lParam)
{
    CPropertySheet* pSheet = t_pSheetInit;
    if (uMsg == PSCB_INITIALIZED && pSheet != nullptr)
    {
        t_pSheetInit = nullptr;
        pSheet->SubclassWindow(hWnd);
    }
    return 0;
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            m_nResult = IDOK;
        else if (LOWORD(wParam) == IDCANCEL)
            m_nResult = IDCANCEL;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            m_nResult = IDCANCEL;
        break;
    case WM_CLOSE:
        m_nResult = IDCANCEL;
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal()
{
    std::vector<PROPSHEETPAGEW> psps;
    BOOL bHelp = FALSE;
    for (CPropertyPage* pPage : m_pages)
    {
        PROPSHEETPAGEW psp = pPage->m_psp;
        psp.pfnDlgProc = CPropertyPage::PageDialogProc;
        psp.lParam = reinterpret_cast<LPARAM>(pPage);
        if (psp.dwFlags & PSP_HASHELP)
            bHelp = TRUE;
        psps.push_back(psp);
    }
    if (psps.empty())
        return -1;

    HWND hOwner = GetOwnerForModal(m_pParentWnd);

    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | (bHelp ? PSH_HASHELP : 0);
    psh.hwndParent = hOwner;
    psh.hInstance = ::GetModuleHandleW(nullptr);
    psh.pszCaption = m_strCaption;
    psh.nPages = static_cast<UINT>(psps.size());
    psh.nStartPage = m_nStartPage < psh.nPages ? m_nStartPage : 0;
    psh.ppsp = psps.data();
    psh.pfnCallback = SheetCallback;

    m_nResult = IDCANCEL;
    BOOL bOwnerWasEnabled = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    if (bOwnerWasEnabled)
        ::EnableWindow(hOwner, FALSE);
    CPropertySheet* pOuter = t_pSheetInit;
    t_pSheetInit = this;
    INT_PTR nRet = ::PropertySheetW(&psh);
    t_pSheetInit = pOuter;
    if (bOwnerWasEnabled)
        ::EnableWindow(hOwner, TRUE);
    if (m_hWnd != nullptr)
        Detach();  // the control destroyed its window without our hearing of it
    return nRet < 0 ? -1 : m_nResult;
}
