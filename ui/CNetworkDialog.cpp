#include "ui/CNetworkDialog.h"

#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "app/SettingNames.h"
#include "ui/CGeneratingRSAKeyDialog.h"
#include "crypto/StoredSecret.h"
#include "net/CDestinationDataArray.h"
#include "res/SettingsResource.h"
#include "ui/CDestinationDialog.h"
#include "ui/CPasswordDialog.h"
#include "ui/PortField.h"

namespace {

CDestinationDataArray* CopyDestinations(const CDestinationDataArray* pSource)
{
    CDestinationDataArray* pCopy = new CDestinationDataArray;
    if (pSource == nullptr)
        return pCopy;
    for (INT_PTR i = 0; i < pSource->m_arrDestinations.GetSize(); i++)
    {
        const CDestinationData* pFrom = pSource->m_arrDestinations[i];
        CDestinationData* pTo = new CDestinationData;
        pTo->m_bEnabled = pFrom->m_bEnabled;
        pTo->m_strName = pFrom->m_strName;
        pTo->m_nPort = pFrom->m_nPort;
        pTo->m_nProtocol = pFrom->m_nProtocol;
        pCopy->m_arrDestinations.Add(pTo);
    }
    return pCopy;
}

}  // namespace

BOOL RunRSAKeyGeneration(CWnd* pParent)
{
    CGeneratingRSAKeyDialog dlg(pParent);
    INT_PTR nResult = dlg.DoModal();
    if (nResult == -1)
        AddLog(L"【エラー】RSA鍵の生成画面を表示できません。");
    return nResult == IDOK;
}

CNetworkDialog::CNetworkDialog()
    : CBMPropertyPage(IDD_NETWORK_PAGE), m_pDestinations(nullptr), m_nRSAMode(0), m_nServer(0)
{}

CNetworkDialog::~CNetworkDialog() { delete m_pDestinations; }

IMPLEMENT_DYNAMIC(CNetworkDialog, CBMPropertyPage)

BEGIN_MESSAGE_MAP(CNetworkDialog, CBMPropertyPage)
    ON_BN_CLICKED(IDC_NET_ADD, &CNetworkDialog::OnAdd)
    ON_BN_CLICKED(IDC_NET_MODIFY, &CNetworkDialog::OnModify)
    ON_BN_CLICKED(IDC_NET_DELETE, &CNetworkDialog::OnDelete)
    ON_LBN_SELCHANGE(IDC_NET_DESTINATIONS, &CNetworkDialog::OnSelChangeDestinations)
    ON_EN_CHANGE(IDC_NET_PORT, &CBMPropertyPage::OnSettingChanged)
    ON_BN_CLICKED(IDC_NET_SET_PASSWORD, &CNetworkDialog::OnSetPassword)
    ON_CBN_SELCHANGE(IDC_NET_RSA, &CNetworkDialog::OnSelChangeRSA)
    ON_CLBN_CHKCHANGE(IDC_NET_DESTINATIONS, &CBMPropertyPage::OnSettingChanged)
    ON_CBN_SELCHANGE(IDC_NET_SERVER, &CBMPropertyPage::OnSettingChanged)
END_MESSAGE_MAP()

void CNetworkDialog::DoDataExchange(CDataExchange* pDX)
{
    CBMPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_NET_PORT, m_editPort);
    DDX_Control(pDX, IDC_NET_DESTINATIONS, m_listDestinations);
    DDX_Control(pDX, IDC_NET_MODIFY, m_buttonModify);
    DDX_Control(pDX, IDC_NET_DELETE, m_buttonDelete);
    DDX_Control(pDX, IDC_NET_PASSWORD_STATE, m_staticPassword);
    DDX_CBIndex(pDX, IDC_NET_SERVER, m_nServer);
    DDX_Control(pDX, IDC_NET_RSA, m_comboRSA);
    // Taken from the controls on leaving the page and on Apply and OK, so a
    // port that isn't one is refused before anything is applied.
    int nPort = 0;
    DDV_PortField(pDX, IDC_NET_PORT, nPort);
}

BOOL CNetworkDialog::OnInitDialog()
{
    m_nServer = (int)theApp.GetProfileInt(kSectionNetwork, kEntryServer, kDefaultServer);

    // The IP-version choice is filled before the data exchange selects in it.
    static const LPCWSTR kServerTexts[] = {L"IPv4のみ", L"IPv6のみ", L"IPv4 + IPv6"};
    HWND hServer = ::GetDlgItem(m_hWnd, IDC_NET_SERVER);
    for (LPCWSTR psz : kServerTexts)
        ::SendMessageW(hServer, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(psz));

    CBMPropertyPage::OnInitDialog();

    m_comboRSA.AddString(L"RSA暗号を使わない");
    m_comboRSA.AddString(L"RSA暗号を使う");
    m_comboRSA.AddString(L"RSA鍵を再作成する");

    delete m_pDestinations;
    m_pDestinations = CopyDestinations(theApp.m_pDestinations);

    // Only this page's OnOK and start-up write the password, both on this thread.
    m_strPassword = theApp.m_strPassword;
    ShowPasswordState();

    int nPort = (int)theApp.GetProfileInt(kSectionNetwork, kEntryPort, kDefaultPort);
    if (nPort != 0)
    {
        CString strPort;
        strPort.Format(L"%d", nPort);
        m_editPort.SetWindowText(strPort);
    }

    for (INT_PTR i = 0; i < m_pDestinations->m_arrDestinations.GetSize(); i++)
    {
        const CDestinationData* pData = m_pDestinations->m_arrDestinations[i];
        int nRow = m_listDestinations.AddString(pData->GetListText());
        m_listDestinations.SetCheck(nRow, pData->m_bEnabled ? 1 : 0);
    }

    ::EnableWindow(hServer, FALSE);
    ::ShowWindow(hServer, SW_HIDE);

    m_nRSAMode = theApp.m_nRSAMode;
    if (m_nRSAMode < 0 || m_nRSAMode > 1)
        m_nRSAMode = 0;
    m_comboRSA.SetCurSel(m_nRSAMode);

    UpdateButtons();
    return TRUE;
}

CWnd* CNetworkDialog::SheetWindow() const { return CWnd::FromHandle(::GetParent(m_hWnd)); }

void CNetworkDialog::ShowPasswordState()
{
    m_staticPassword.SetWindowText(m_strPassword.IsEmpty() ? L"設定されていません" : L"設定されています");
}

void CNetworkDialog::UpdateButtons()
{
    HWND hFocus = ::GetFocus();
    BOOL bSelected = m_listDestinations.GetCurSel() >= 0;
    m_buttonModify.EnableWindow(bSelected);
    m_buttonDelete.EnableWindow(bSelected);
    if (hFocus != nullptr && ::IsWindow(hFocus) && !::IsWindowEnabled(hFocus))
        ::SetFocus(m_hWnd);
}

void CNetworkDialog::OnSelChangeDestinations() { UpdateButtons(); }

void CNetworkDialog::OnAdd()
{
    CDestinationDialog dlg(SheetWindow());
    dlg.m_nPort = kDefaultPort;
    dlg.m_nProtocol = 0;
    if (dlg.DoModal() == IDOK)
    {
        CDestinationData* pData = new CDestinationData;
        pData->m_bEnabled = 1;
        pData->m_strName = dlg.m_strName;
        pData->m_nPort = dlg.m_nPort;
        pData->m_nProtocol = dlg.m_nProtocol;
        m_pDestinations->m_arrDestinations.Add(pData);
        int nRow = m_listDestinations.AddString(pData->GetListText());
        m_listDestinations.SetCheck(nRow, 1);
        m_listDestinations.SetCurSel(nRow);
    }
    UpdateButtons();
    SetModified(TRUE);
}

void CNetworkDialog::OnModify()
{
    int nSel = m_listDestinations.GetCurSel();
    if (nSel < 0 || nSel >= m_pDestinations->m_arrDestinations.GetSize())
        return;
    CDestinationData* pData = m_pDestinations->m_arrDestinations[nSel];
    pData->m_bEnabled = m_listDestinations.GetCheck(nSel) == 1 ? 1 : 0;

    CDestinationDialog dlg(SheetWindow());
    dlg.m_strName = pData->m_strName;
    dlg.m_nPort = pData->m_nPort;
    dlg.m_nProtocol = pData->m_nProtocol;
    if (dlg.DoModal() == IDOK)
    {
        pData->m_strName = dlg.m_strName;
        pData->m_nPort = dlg.m_nPort;
        pData->m_nProtocol = dlg.m_nProtocol;
        m_listDestinations.DeleteString(nSel);
        int nRow = m_listDestinations.InsertString(nSel, pData->GetListText());
        m_listDestinations.SetCheck(nRow, pData->m_bEnabled ? 1 : 0);
        m_listDestinations.SetCurSel(nRow);
    }
    UpdateButtons();
    SetModified(TRUE);
}

void CNetworkDialog::OnDelete()
{
    int nSel = m_listDestinations.GetCurSel();
    if (nSel < 0 || nSel >= m_pDestinations->m_arrDestinations.GetSize())
        return;
    if (AfxMessageBox(L"選択されている送信先を削除しますか？", MB_YESNO) != IDYES)
        return;
    delete m_pDestinations->m_arrDestinations[nSel];
    m_pDestinations->m_arrDestinations.RemoveAt(nSel);
    m_listDestinations.DeleteString(nSel);

    int nCount = m_listDestinations.GetCount();
    if (nSel < nCount)
        m_listDestinations.SetCurSel(nSel);
    else if (nCount > 0)
        m_listDestinations.SetCurSel(nCount - 1);
    UpdateButtons();
    SetModified(TRUE);
}

void CNetworkDialog::OnSetPassword()
{
    CPasswordDialog dlg(SheetWindow());
    if (dlg.DoModal() != IDOK)
        return;
    m_strPassword = dlg.m_strPassword;
    ShowPasswordState();
    SetModified(TRUE);
}

void CNetworkDialog::OnSelChangeRSA()
{
    int nSel = m_comboRSA.GetCurSel();
    int nPrev = m_nRSAMode;
    int nMode = nPrev;
    if (nSel == 0)
    {
        nMode = 0;
    }
    else if (nSel == 1)
    {
        BOOL bKeyPresent;
        {
            CSingleLock lock(&theApp.m_mutexKey, TRUE);
            bKeyPresent = theApp.m_bKeyPresent;
        }
        if (bKeyPresent)
            nMode = 1;
        else
            nMode = RunRSAKeyGeneration(SheetWindow()) ? 1 : 0;
    }
    else if (nSel == 2)
    {
        // Re-creating the key is a command: the choice falls back to a mode.
        if (RunRSAKeyGeneration(SheetWindow()) && nPrev == 0)
            nMode = 1;
        else
            nMode = nPrev;
    }
    if (nMode != nSel)
        m_comboRSA.SetCurSel(nMode);
    m_nRSAMode = nMode;
    SetModified(TRUE);
}

void CNetworkDialog::OnOK()
{
    // Only a page that was initialised has anything to apply.
    if (m_pDestinations == nullptr || !UpdateData(TRUE))
        return;

    {
        CSingleLock lock(&theApp.m_mutexPassword, TRUE);
        theApp.m_strPassword = m_strPassword;
    }

    int nSel = m_comboRSA.GetCurSel();
    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        theApp.m_nRSAMode = ((nSel == 0 || nSel == 1) && theApp.m_bKeyPresent) ? nSel : 0;
    }

    CString strPort;
    m_editPort.GetWindowText(strPort);
    int nPort = 0;
    ParsePortText(strPort, nPort);  // the data exchange has refused any other text

    int nRows = m_listDestinations.GetCount();
    for (int i = 0; i < nRows && i < m_pDestinations->m_arrDestinations.GetSize(); i++)
        m_pDestinations->m_arrDestinations[i]->m_bEnabled = m_listDestinations.GetCheck(i) == 1 ? 1 : 0;

    // Senders are started from this list on the UI thread only: no lock.
    CDestinationDataArray* pOld = theApp.m_pDestinations;
    theApp.m_pDestinations = CopyDestinations(m_pDestinations);
    delete pOld;

    CByteArray blob;
    {
        CSingleLock lock(&theApp.m_mutexPassword, TRUE);
        EncodePassword(theApp.m_strPassword, blob);
    }
    theApp.WriteProfileBinary(kSectionNetwork, kEntryPassword, blob.GetData(), (UINT)blob.GetSize());
    theApp.WriteProfileInt(kSectionNetwork, kEntryPort, nPort);
    theApp.WriteProfileInt(kSectionNetwork, kEntryServer, m_nServer);
    theApp.WriteProfileString(kSectionNetwork, kEntryDestination, DestinationListToString(theApp.m_pDestinations));
    theApp.WriteProfileInt(kSectionNetwork, kEntryRSA, theApp.m_nRSAMode);

    // The listener keeps the port it was started with.
    if (theApp.m_bSettingInitialized && (nPort != theApp.m_nPort || m_nServer != theApp.m_nServer))
    {
        AfxMessageBox(L"変更は次回Varnelを起動したときに有効になります。\r\n"
                      L"変更を有効にするには、いったんVarnelを終了して起動し直してください。",
                      MB_OK);
    }

    CBMPropertyPage::OnOK();
}

void CNetworkDialog::OnCancel() { CBMPropertyPage::OnCancel(); }

BOOL CNetworkDialog::OnKillActive() { return CBMPropertyPage::OnKillActive(); }
