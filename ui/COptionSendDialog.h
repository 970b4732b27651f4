#pragma once
// Settings page "send method": delayed sending, the size of text that still
// travels at once, and the list of registered formats to send. The formats
// page edits this page's working copy of that list and saves through it.

#include "ui/CBMPropertyPage.h"

class COptionSendDialog : public CBMPropertyPage
{
    DECLARE_DYNAMIC(COptionSendDialog)
public:
    COptionSendDialog();
    virtual ~COptionSendDialog();

    // The well-known formats offered as check rows, in row order.
    static const int kWellKnownCount = 7;
    static const LPCWSTR kWellKnownFormats[kWellKnownCount];

    CStringArray m_arrFormats;  // working copy of the send list
    BOOL m_bFormatsModified;    // m_arrFormats changed since the last save
    CButton m_buttonDelay;
    CEdit m_editNoDelayText;
    CStatic m_staticNoDelayText;
    CCheckListBox m_listFormats;

    // Saves m_arrFormats into the application and "Formats3" when it changed.
    void SaveFormats();
    void UpdateDelayControls();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual BOOL OnSetActive();

    void OnDelayClicked();
    void OnFormatCheckChange();

    DECLARE_MESSAGE_MAP()
};
