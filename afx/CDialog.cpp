#include "afx/CDialog.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() : m_nIDTemplate(0), m_pParentWnd(nullptr), m_bModal(FALSE) {}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), m_bModal(FALSE)
{}

LPCDLGTEMPLATEW CDialog::LoadTemplate() const
{
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    HRSRC hResource = ::FindResourceW(hInstance, MAKEINTRESOURCEW(m_nIDTemplate), MAKEINTRESOURCEW(5) /*RT_DIALOG*/);
    if (hResource == nullptr)
        return nullptr;
    HGLOBAL hTemplate = ::LoadResource(hInstance, hResource);
    if (hTemplate == nullptr)
        return nullptr;
    return static_cast<LPCDLGTEMPLATEW>(::LockResource(hTemplate));
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    LPCDLGTEMPLATEW pTemplate = LoadTemplate();
    if (pTemplate == nullptr)
        return FALSE;
    HWND hWndAttached = nullptr;
    HookWindowCreate(&hWndAttached);
    HWND hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), pTemplate,
                                             pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, DialogProc, 0);
    UnhookWindowCreate(hWnd != nullptr, hWndAttached);
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    LPCDLGTEMPLATEW pTemplate = LoadTemplate();
    if (pTemplate == nullptr)
        return -1;
    m_bModal = TRUE;
    HWND hWndAttached = nullptr;
    HookWindowCreate(&hWndAttached);
    // The dialog manager runs the modal loop and disables the owner meanwhile.
    // The hook attaches the dialog window before its first message.
    INT_PTR nResult = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), pTemplate, GetOwnerForModal(m_pParentWnd),
                                                DialogProc, 0);
    UnhookWindowCreate(nResult != -1, hWndAttached);
    m_bModal = FALSE;
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd == nullptr)
        return;
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDialog = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (pDialog == nullptr)
        return TRUE;
    return pDialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Tab, arrows, Enter and Esc of a modeless dialog; modal ones have their own loop.
    if (m_bModal || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}
