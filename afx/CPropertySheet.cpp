#include "afx/CPropertySheet.h"

#include "afx/CWinApp.h"

namespace {

// The sheet whose control is being created on this thread; its callback has
// no parameter of its own.
thread_local CPropertySheet* t_pSheetInit = nullptr;
const wchar_t kSheetProp[] = L"VarnelPropertySheet";

}  // namespace

CPropertySheet::CPropertySheet(LPCWSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_hWnd(nullptr), m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage),
      m_pfnSheetProc(nullptr), m_nResult(IDCANCEL) {}

CPropertySheet::~CPropertySheet() {}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (pPage != nullptr) m_pages.push_back(pPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    if (nPage < 0 || nPage >= GetPageCount()) return nullptr;
    return m_pages[static_cast<size_t>(nPage)];
}

int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT uMsg, LPARAM lParam) {
    CPropertySheet* pSheet = t_pSheetInit;
    if (uMsg == PSCB_INITIALIZED && pSheet != nullptr) {
        t_pSheetInit = nullptr;
        // Watch the buttons so that DoModal can tell OK from Cancel: the
        // control's own result also counts an earlier Apply as "saved".
        pSheet->m_hWnd = hWnd;
        ::SetPropW(hWnd, kSheetProp, pSheet);
        pSheet->m_pfnSheetProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetWndProc)));
    }
    return 0;
}

LRESULT CALLBACK CPropertySheet::SheetWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CPropertySheet* pSheet = static_cast<CPropertySheet*>(::GetPropW(hWnd, kSheetProp));
    if (pSheet == nullptr) return ::DefWindowProcW(hWnd, message, wParam, lParam);
    WNDPROC pfnOld = pSheet->m_pfnSheetProc;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) pSheet->m_nResult = IDOK;
        else if (LOWORD(wParam) == IDCANCEL) pSheet->m_nResult = IDCANCEL;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) pSheet->m_nResult = IDCANCEL;
        break;
    case WM_CLOSE:
        pSheet->m_nResult = IDCANCEL;
        break;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOld));
        ::RemovePropW(hWnd, kSheetProp);
        pSheet->m_hWnd = nullptr;
        break;
    }
    return ::CallWindowProcW(pfnOld, hWnd, message, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal() {
    std::vector<PROPSHEETPAGEW> psps;
    BOOL bHelp = FALSE;
    for (CPropertyPage* pPage : m_pages) {
        PROPSHEETPAGEW psp = pPage->m_psp;
        psp.pfnDlgProc = CPropertyPage::PageDialogProc;
        psp.lParam = reinterpret_cast<LPARAM>(pPage);
        if (psp.dwFlags & PSP_HASHELP) bHelp = TRUE;
        psps.push_back(psp);
    }
    if (psps.empty()) return -1;

    HWND hOwner = nullptr;
    if (m_pParentWnd != nullptr) {
        hOwner = m_pParentWnd->m_hWnd;
    } else {
        CWinApp* pApp = AfxGetApp();
        if (pApp != nullptr && pApp->m_pMainWnd != nullptr && ::IsWindow(pApp->m_pMainWnd->m_hWnd))
            hOwner = pApp->m_pMainWnd->m_hWnd;
    }

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
    if (bOwnerWasEnabled) ::EnableWindow(hOwner, FALSE);
    CPropertySheet* pOuter = t_pSheetInit;
    t_pSheetInit = this;
    INT_PTR nRet = ::PropertySheetW(&psh);
    t_pSheetInit = pOuter;
    if (bOwnerWasEnabled) ::EnableWindow(hOwner, TRUE);
    m_hWnd = nullptr;
    return nRet < 0 ? -1 : m_nResult;
}
