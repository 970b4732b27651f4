#include "ui/CFormatDialog.h"

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/QuotedList.h"
#include "res/SettingsResource.h"
#include "ui/COptionSendDialog.h"

HWND FormatPageWnd = nullptr;

CFormatDialog::CFormatDialog(COptionSendDialog* pOptionSend)
    : CBMPropertyPage(IDD_FORMAT_PAGE), m_pOptionSend(pOptionSend)
{}

CFormatDialog::~CFormatDialog() {}

IMPLEMENT_DYNAMIC(CFormatDialog, CBMPropertyPage)

BEGIN_MESSAGE_MAP(CFormatDialog, CBMPropertyPage)
    ON_WM_DESTROY()
    ON_MESSAGE(UWM_FORMATLISTCHANGED, &CFormatDialog::OnClipboardFormatsChanged)
    ON_LBN_SELCHANGE(IDC_FMT_CLIPBOARD_FORMATS, &CFormatDialog::OnSelChangeList)
    ON_LBN_SELCHANGE(IDC_FMT_SEND_FORMATS, &CFormatDialog::OnSelChangeList)
    ON_BN_CLICKED(IDC_FMT_ADD, &CFormatDialog::OnAdd)
    ON_BN_CLICKED(IDC_FMT_DELETE, &CFormatDialog::OnDelete)
END_MESSAGE_MAP()

void CFormatDialog::DoDataExchange(CDataExchange* pDX)
{
    CBMPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FMT_CLIPBOARD_FORMATS, m_listClipboardFormats);
    DDX_Control(pDX, IDC_FMT_SEND_FORMATS, m_listSendFormats);
    DDX_Control(pDX, IDC_FMT_ADD, m_buttonAdd);
    DDX_Control(pDX, IDC_FMT_DELETE, m_buttonDelete);
}

BOOL CFormatDialog::OnInitDialog()
{
    CBMPropertyPage::OnInitDialog();
    FormatPageWnd = m_hWnd;
    {
        // The capture writes this list on the UI thread too, but holds the lock.
        CSingleLock lock(&theApp.m_mutexSeenFormats, TRUE);
        FillFormatList(m_listClipboardFormats, theApp.m_arrSeenFormats);
    }
    FillFormatList(m_listSendFormats, m_pOptionSend->m_arrFormats);
    return TRUE;
}

void CFormatDialog::OnDestroy()
{
    CBMPropertyPage::OnDestroy();
    FormatPageWnd = nullptr;
}

void CFormatDialog::FillFormatList(CListBox& list, const CStringArray& arr)
{
    list.ResetContent();
    for (INT_PTR i = 0; i < arr.GetSize(); i++)
        list.AddString(arr[i]);
    UpdateButtons();
}

void CFormatDialog::UpdateButtons()
{
    HWND hFocus = ::GetFocus();
    m_buttonAdd.EnableWindow(m_listClipboardFormats.GetSelCount() > 0);
    m_buttonDelete.EnableWindow(m_listSendFormats.GetSelCount() > 0);
    if (hFocus != nullptr && ::IsWindow(hFocus) && !::IsWindowEnabled(hFocus))
        ::SetFocus(m_hWnd);
}

LRESULT CFormatDialog::OnClipboardFormatsChanged(WPARAM, LPARAM)
{
    if (m_listClipboardFormats.m_hWnd == nullptr || !::IsWindow(m_listClipboardFormats.m_hWnd))
        return 1;
    CSingleLock lock(&theApp.m_mutexSeenFormats, TRUE);
    FillFormatList(m_listClipboardFormats, theApp.m_arrSeenFormats);
    return 1;
}

void CFormatDialog::OnSelChangeList() { UpdateButtons(); }

void CFormatDialog::OnAdd()
{
    if (m_listClipboardFormats.GetSelCount() <= 0)
        return;
    BOOL bAdded = FALSE;
    int nCount = m_listClipboardFormats.GetCount();
    for (int nRow = 0; nRow < nCount; nRow++)
    {
        if (m_listClipboardFormats.GetSel(nRow) <= 0)
            continue;
        CString strName;
        m_listClipboardFormats.GetText(nRow, strName);
        if (m_listSendFormats.FindStringExact(-1, strName) != LB_ERR)
            continue;
        m_listSendFormats.AddString(strName);
        if (!StringArrayContains(m_pOptionSend->m_arrFormats, strName))
            m_pOptionSend->m_arrFormats.Add(strName);
        m_pOptionSend->m_bFormatsModified = TRUE;
        bAdded = TRUE;
    }
    if (bAdded)
        SetModified(TRUE);
}

void CFormatDialog::OnDelete()
{
    if (m_listSendFormats.GetSelCount() <= 0)
        return;
    if (AfxMessageBox(L"削除しますか？", MB_YESNO) != IDYES)
        return;
    for (int nRow = m_listSendFormats.GetCount() - 1; nRow >= 0; nRow--)
    {
        if (m_listSendFormats.GetSel(nRow) <= 0)
            continue;
        CString strName;
        m_listSendFormats.GetText(nRow, strName);
        m_listSendFormats.DeleteString(nRow);
        StringArrayRemove(m_pOptionSend->m_arrFormats, strName);
        m_pOptionSend->m_bFormatsModified = TRUE;
    }
    SetModified(TRUE);
    // No row is selected any more; don't leave "delete" enabled for nothing.
    UpdateButtons();
}

BOOL CFormatDialog::OnSetActive()
{
    FillFormatList(m_listSendFormats, m_pOptionSend->m_arrFormats);
    return CBMPropertyPage::OnSetActive();
}

void CFormatDialog::OnOK()
{
    m_pOptionSend->SaveFormats();
    CBMPropertyPage::OnOK();
}
