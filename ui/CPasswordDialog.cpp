#include "ui/CPasswordDialog.h"

#include "res/SettingsResource.h"

CPasswordDialog::CPasswordDialog(CWnd* pParent) : CDialog(IDD_PASSWORD_DIALOG, pParent) {}

CPasswordDialog::~CPasswordDialog() {}

IMPLEMENT_DYNAMIC(CPasswordDialog, CDialog)

void CPasswordDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PWD_PASSWORD, m_editPassword);
    DDX_Control(pDX, IDC_PWD_CONFIRM, m_editConfirm);
}

void CPasswordDialog::OnOK()
{
    CString a, b;
    m_editPassword.GetWindowText(a);
    m_editConfirm.GetWindowText(b);
    // Exact, case-sensitive: a password differing only in case is a typo.
    if (a.Compare(b) != 0)
    {
        AfxMessageBox(L"「パスワード再入力」欄には「パスワード」欄と同じものを入力してください。", MB_OK);
        return;
    }
    if (a.IsEmpty() && AfxMessageBox(L"パスワードの設定をなしにしますか？", MB_YESNO) != IDYES)
        return;
    m_strPassword = a;
    CDialog::OnOK();
}
