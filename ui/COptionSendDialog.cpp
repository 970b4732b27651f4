#include "ui/COptionSendDialog.h"

#include <stdlib.h>
#include <wchar.h>

#include "app/CBrinmoorApp.h"
#include "app/QuotedList.h"
#include "app/SettingNames.h"
#include "res/SettingsResource.h"

const LPCWSTR COptionSendDialog::kWellKnownFormats[kWellKnownCount] = {
    L"HTML Format", L"Rich Text Format", L"XML Spreadsheet", L"Art::GVML ClipFormat", L"GIF", L"JFIF", L"PNG",
};

namespace {

BOOL ContainsNoCase(const CStringArray& arr, LPCWSTR pszName)
{
    for (INT_PTR i = 0; i < arr.GetSize(); i++)
    {
        if (_wcsicmp(arr[i], pszName) == 0)
            return TRUE;
    }
    return FALSE;
}

}  // namespace

COptionSendDialog::COptionSendDialog() : CBMPropertyPage(IDD_OPTION_SEND_PAGE), m_bFormatsModified(FALSE)
{
    // The list is written only on the UI thread, where this runs too.
    m_arrFormats.Copy(theApp.m_arrSendFormats);
}

COptionSendDialog::~COptionSendDialog() {}

IMPLEMENT_DYNAMIC(COptionSendDialog, CBMPropertyPage)

BEGIN_MESSAGE_MAP(COptionSendDialog, CBMPropertyPage)
    ON_BN_CLICKED(IDC_SEND_DELAY, &COptionSendDialog::OnDelayClicked)
    ON_CLBN_CHKCHANGE(IDC_SEND_FORMATS, &COptionSendDialog::OnFormatCheckChange)
    ON_EN_CHANGE(IDC_SEND_NODELAY_TEXT, &CBMPropertyPage::OnSettingChanged)
END_MESSAGE_MAP()

void COptionSendDialog::DoDataExchange(CDataExchange* pDX)
{
    CBMPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SEND_DELAY, m_buttonDelay);
    DDX_Control(pDX, IDC_SEND_NODELAY_TEXT, m_editNoDelayText);
    DDX_Control(pDX, IDC_SEND_NODELAY_LABEL, m_staticNoDelayText);
    DDX_Control(pDX, IDC_SEND_FORMATS, m_listFormats);
}

BOOL COptionSendDialog::OnInitDialog()
{
    CBMPropertyPage::OnInitDialog();

    m_buttonDelay.SetCheck(theApp.m_bDelay ? BST_CHECKED : BST_UNCHECKED);
    CString strKB;
    strKB.Format(L"%d", theApp.m_nNoDelayText);
    m_editNoDelayText.SetWindowText(strKB);
    for (int i = 0; i < kWellKnownCount; i++)
    {
        int nRow = m_listFormats.AddString(kWellKnownFormats[i]);
        m_listFormats.SetCheck(nRow, ContainsNoCase(m_arrFormats, kWellKnownFormats[i]) ? 1 : 0);
    }
    UpdateDelayControls();
    return TRUE;
}

void COptionSendDialog::UpdateDelayControls()
{
    HWND hFocus = ::GetFocus();
    BOOL bEnable = m_buttonDelay.GetCheck() == BST_CHECKED;
    m_editNoDelayText.EnableWindow(bEnable);
    m_staticNoDelayText.EnableWindow(bEnable);
    // A disabled window keeps the focus but takes no keys; hand it to the page.
    if (hFocus != nullptr && ::IsWindow(hFocus) && !::IsWindowEnabled(hFocus))
        ::SetFocus(m_hWnd);
}

void COptionSendDialog::OnDelayClicked()
{
    UpdateDelayControls();
    SetModified(TRUE);
}

void COptionSendDialog::OnFormatCheckChange()
{
    for (int nRow = 0; nRow < kWellKnownCount; nRow++)
    {
        LPCWSTR pszName = kWellKnownFormats[nRow];
        BOOL bChanged = FALSE;
        if (m_listFormats.GetCheck(nRow) == 1)
        {
            if (!ContainsNoCase(m_arrFormats, pszName))
            {
                m_arrFormats.Add(pszName);
                bChanged = TRUE;
            }
        }
        else
        {
            for (INT_PTR i = m_arrFormats.GetSize() - 1; i >= 0; i--)
            {
                if (_wcsicmp(m_arrFormats[i], pszName) == 0)
                {
                    m_arrFormats.RemoveAt(i);
                    bChanged = TRUE;
                }
            }
        }
        if (bChanged)
        {
            m_bFormatsModified = TRUE;
            SetModified(TRUE);
        }
    }
}

BOOL COptionSendDialog::OnSetActive()
{
    // The formats page may have changed the list meanwhile.
    for (int nRow = 0; nRow < kWellKnownCount; nRow++)
        m_listFormats.SetCheck(nRow, ContainsNoCase(m_arrFormats, kWellKnownFormats[nRow]) ? 1 : 0);
    return CBMPropertyPage::OnSetActive();
}

void COptionSendDialog::OnOK()
{
    theApp.m_bDelay = m_buttonDelay.GetCheck() == BST_CHECKED ? 1 : 0;
    theApp.WriteProfileInt(kSectionSettings, kEntryDelay, theApp.m_bDelay);

    CString strKB;
    m_editNoDelayText.GetWindowText(strKB);
    theApp.m_nNoDelayText = (int)_wtol(strKB);
    theApp.WriteProfileInt(kSectionSettings, kEntryNoDelayText, theApp.m_nNoDelayText);

    SaveFormats();
    CBMPropertyPage::OnOK();
}

void COptionSendDialog::SaveFormats()
{
    if (!m_bFormatsModified)
        return;
    CSingleLock lock(&theApp.m_mutexSendFormats, TRUE);
    theApp.m_arrSendFormats.Copy(m_arrFormats);
    CStringArray arrQuoted;
    for (INT_PTR i = 0; i < m_arrFormats.GetSize(); i++)
        arrQuoted.Add(QuoteString(m_arrFormats[i]));
    theApp.WriteProfileString(kSectionSettings, kEntryFormats3, JoinStrings(arrQuoted, L","));
    m_bFormatsModified = FALSE;
}
