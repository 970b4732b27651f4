#pragma once
// Settings page "display": what the program shows at start-up, and whether
// closing the window shows a balloon.

#include "ui/CBMPropertyPage.h"

class CMiscDialog : public CBMPropertyPage
{
    DECLARE_DYNAMIC(CMiscDialog)
public:
    CMiscDialog();
    virtual ~CMiscDialog();

    int m_nOnStart;          // radio index from 1032: 0 window, 1 balloon, 2 silent, -1 none
    BOOL m_bBalloonOnClose;  // check box 1034

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();

    DECLARE_MESSAGE_MAP()
};
