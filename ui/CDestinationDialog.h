#pragma once
// Enter or change one destination computer: name and port. The IP-version
// radio group stays in the template and the data exchange, hidden.

#include "afx/Afx.h"

class CDestinationDialog : public CDialog
{
    DECLARE_DYNAMIC(CDestinationDialog)
public:
    explicit CDestinationDialog(CWnd* pParent = nullptr);
    virtual ~CDestinationDialog();

    CString m_strName;  // trimmed and non-empty after IDOK
    int m_nPort;        // set by every caller before DoModal
    CEdit m_editName;
    CEdit m_editPort;
    int m_nProtocol;  // radio index: 0 IPv4, 1 IPv6, -1 none
    CStatic m_staticNote;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
};
