#pragma once
// Settings page "network": password, receive port, RSA mode with key
// generation, and the destination list with its enabled marks. It works on
// copies and applies them on OK or Apply.

#include "ui/CBMPropertyPage.h"

class CDestinationDataArray;

// Runs the key-generation dialog; TRUE when a new key was made and stored.
// pParent: the window to disable meanwhile (the sheet); NULL: the main window.
BOOL RunRSAKeyGeneration(CWnd* pParent = nullptr);

class CNetworkDialog : public CBMPropertyPage
{
    DECLARE_DYNAMIC(CNetworkDialog)
public:
    CNetworkDialog();
    virtual ~CNetworkDialog();

    CDestinationDataArray* m_pDestinations;  // own deep copy; row i is element i
    CString m_strPassword;
    CEdit m_editPort;
    CCheckListBox m_listDestinations;
    int m_nRSAMode;  // 0 off, 1 on
    CButton m_buttonModify;
    CButton m_buttonDelete;
    CStatic m_staticPassword;
    int m_nServer;  // selection index of the hidden 1054
    CComboBox m_comboRSA;

    void UpdateButtons();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL OnKillActive();

    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnSelChangeDestinations();
    void OnSetPassword();
    void OnSelChangeRSA();

    void ShowPasswordState();
    // The sheet: owner of the dialogs this page opens, so that it can't be
    // closed under them.
    CWnd* SheetWindow() const;

    DECLARE_MESSAGE_MAP()
};
