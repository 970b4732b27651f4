#pragma once
// Settings page "formats": pick, from the registered formats seen on the
// clipboard at the last copy, those to send. It edits the send-method page's
// working list and saves through that page.

#include "ui/CBMPropertyPage.h"

class COptionSendDialog;

// The formats page's window while it exists, else NULL. UI thread only: the
// capture sends UWM_FORMATLISTCHANGED to it after each copy.
extern HWND FormatPageWnd;

class CFormatDialog : public CBMPropertyPage
{
    DECLARE_DYNAMIC(CFormatDialog)
public:
    explicit CFormatDialog(COptionSendDialog* pOptionSend);
    virtual ~CFormatDialog();

    COptionSendDialog* m_pOptionSend;  // same sheet; not owned
    CListBox m_listClipboardFormats;
    CListBox m_listSendFormats;
    CButton m_buttonAdd;
    CButton m_buttonDelete;

    void FillFormatList(CListBox& list, const CStringArray& arr);
    void UpdateButtons();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual BOOL OnSetActive();

    void OnDestroy();
    LRESULT OnClipboardFormatsChanged(WPARAM wParam, LPARAM lParam);
    void OnSelChangeList();
    void OnAdd();
    void OnDelete();

    DECLARE_MESSAGE_MAP()
};
