#include "ui/CDestinationDialog.h"

#include "res/SettingsResource.h"
#include "ui/PortField.h"

CDestinationDialog::CDestinationDialog(CWnd* pParent)
    : CDialog(IDD_DESTINATION_DIALOG, pParent), m_nPort(0), m_nProtocol(1)
{}

CDestinationDialog::~CDestinationDialog() {}

IMPLEMENT_DYNAMIC(CDestinationDialog, CDialog)

void CDestinationDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DEST_NAME, m_editName);
    DDX_Control(pDX, IDC_DEST_PORT, m_editPort);
    DDX_Radio(pDX, IDC_DEST_IPV4, m_nProtocol);
    DDX_Control(pDX, IDC_DEST_NOTE, m_staticNote);
}

BOOL CDestinationDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_editName.SetWindowText(m_strName);
    CString strPort;
    strPort.Format(L"%d", m_nPort);
    m_editPort.SetWindowText(strPort);
    m_staticNote.SetWindowText(L"コンピュータ名はLANのコンピュータ名、IPアドレスなどを指定してください。\r\n"
                               L"IPアドレスはIPv4形式で指定してください。\r\n"
                               L"ポートには相手先コンピュータのVarnel受信ポートを指定してください。");

    // Only IPv4 is spoken; the choice is kept but not offered.
    static const int kHidden[] = {IDC_DEST_PROTOCOL_LABEL, IDC_DEST_IPV4, IDC_DEST_IPV6};
    for (int nId : kHidden)
    {
        HWND hCtl = ::GetDlgItem(m_hWnd, nId);
        ::EnableWindow(hCtl, FALSE);
        ::ShowWindow(hCtl, SW_HIDE);
    }
    return TRUE;
}

void CDestinationDialog::OnOK()
{
    CString strName;
    m_editName.GetWindowText(strName);
    strName.TrimRight();
    strName.TrimLeft();
    if (strName.IsEmpty())
    {
        AfxMessageBox(L"コンピュータ名を指定してください。", MB_OK);
        return;
    }
    // Before any member changes: a refused port leaves them as the caller set them.
    CDataExchange dx(this, TRUE);
    int nPort = 0;
    DDV_PortField(&dx, IDC_DEST_PORT, nPort);
    if (dx.m_bFailed)
        return;
    m_strName = strName;
    m_nPort = nPort;
    CDialog::OnOK();
}
