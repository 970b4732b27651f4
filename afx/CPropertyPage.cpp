#include "afx/CPropertyPage.h"

#include "afx/CCheckListBox.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate, nullptr), m_bInInitDialog(FALSE)
{
    ZeroMemory(&m_psp, sizeof(m_psp));
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = ::GetModuleHandleW(nullptr);
    m_psp.pszTemplate = MAKEINTRESOURCEW(nIDTemplate);
    m_psp.pfnDlgProc = PageDialogProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    if (nIDCaption != 0 && m_strCaption.LoadString(nIDCaption))
    {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption;
    }
}

CPropertyPage::~CPropertyPage() {}

INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // lParam is the sheet's copy of our PROPSHEETPAGEW; its lParam is the page.
    const PROPSHEETPAGEW* pPsp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    CPropertyPage* pPage = pPsp != nullptr ? reinterpret_cast<CPropertyPage*>(pPsp->lParam) : nullptr;
    if (pPage == nullptr || !pPage->SubclassWindow(hWnd))
        return TRUE;
    pPage->m_bInInitDialog = TRUE;
    BOOL bResult = pPage->OnInitDialog();
    pPage->m_bInInitDialog = FALSE;
    return bResult;
}

void CPropertyPage::SetModified(BOOL bChanged)
{
    HWND hSheet = ::GetParent(m_hWnd);
    if (hSheet == nullptr)
        return;
    UINT nMsg = bChanged ? PSM_CHANGED : PSM_UNCHANGED;
    // While the page is being created the sheet doesn't know its window yet
    // and would drop the change: let it arrive once the creation is over.
    if (m_bInInitDialog)
        ::PostMessageW(hSheet, nMsg, reinterpret_cast<WPARAM>(m_hWnd), 0);
    else
        ::SendMessageW(hSheet, nMsg, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::OnSetActive() { return TRUE; }

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* pHdr = reinterpret_cast<const NMHDR*>(lParam);
    if (pHdr == nullptr || pHdr->hwndFrom != ::GetParent(m_hWnd))
        return CDialog::OnNotify(wParam, lParam, pResult);
    LRESULT lResult = 0;
    switch (pHdr->code)
    {
    case PSN_SETACTIVE:
        lResult = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        lResult = OnKillActive() ? FALSE : TRUE;
        break;
    case PSN_APPLY:
        lResult = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        break;
    case PSN_RESET:
        OnReset();
        break;
    case PSN_HELP:
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    // The sheet may read either the window procedure's result or the dialog's
    // message result; give both.
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, lResult);
    *pResult = lResult;
    return TRUE;
}

BOOL CPropertyPage::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_DRAWITEM && wParam != 0)
    {
        const DRAWITEMSTRUCT* pDis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (pDis != nullptr && CWnd::FromHandlePermanent(pDis->hwndItem) != nullptr &&
            ::SendMessageW(pDis->hwndItem, AFX_WM_REFLECT_DRAWITEM, wParam, lParam))
        {
            *pResult = TRUE;
            return TRUE;
        }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}
