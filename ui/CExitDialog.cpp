#include "ui/CExitDialog.h"

#include "res/SettingsResource.h"

CExitDialog::CExitDialog(CWnd* pParent) : CDialog(IDD_EXIT_DIALOG, pParent), m_bDeleteSettings(FALSE) {}

CExitDialog::~CExitDialog() {}

IMPLEMENT_DYNAMIC(CExitDialog, CDialog)

void CExitDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_EXIT_DELETE_SETTINGS, m_bDeleteSettings);
}
