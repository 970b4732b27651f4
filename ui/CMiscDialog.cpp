#include "ui/CMiscDialog.h"

#include "app/CBrinmoorApp.h"
#include "app/SettingNames.h"
#include "res/SettingsResource.h"

CMiscDialog::CMiscDialog() : CBMPropertyPage(IDD_MISC_PAGE), m_nOnStart(0), m_bBalloonOnClose(FALSE) {}

CMiscDialog::~CMiscDialog() {}

IMPLEMENT_DYNAMIC(CMiscDialog, CBMPropertyPage)

BEGIN_MESSAGE_MAP(CMiscDialog, CBMPropertyPage)
    ON_BN_CLICKED(IDC_MISC_BALLOON_ON_CLOSE, &CBMPropertyPage::OnSettingChanged)
    ON_BN_CLICKED(IDC_MISC_ONSTART_WINDOW, &CBMPropertyPage::OnSettingChanged)
    ON_BN_CLICKED(IDC_MISC_ONSTART_BALLOON, &CBMPropertyPage::OnSettingChanged)
    ON_BN_CLICKED(IDC_MISC_ONSTART_SILENT, &CBMPropertyPage::OnSettingChanged)
END_MESSAGE_MAP()

void CMiscDialog::DoDataExchange(CDataExchange* pDX)
{
    CBMPropertyPage::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_MISC_ONSTART_WINDOW, m_nOnStart);
    DDX_Check(pDX, IDC_MISC_BALLOON_ON_CLOSE, m_bBalloonOnClose);
}

BOOL CMiscDialog::OnInitDialog()
{
    m_nOnStart = theApp.m_nOnStart;
    m_bBalloonOnClose = theApp.m_bShowBalloonOnClose ? 1 : 0;
    CBMPropertyPage::OnInitDialog();
    return TRUE;
}

void CMiscDialog::OnOK()
{
    CBMPropertyPage::OnOK();
    theApp.m_nOnStart = m_nOnStart;
    theApp.m_bShowBalloonOnClose = m_bBalloonOnClose;
    theApp.WriteProfileInt(kSectionSettings, kEntryOnStart, m_nOnStart);
    theApp.WriteProfileInt(kSectionSettings, kEntryShowBalloonOnClose, theApp.m_bShowBalloonOnClose);
}
