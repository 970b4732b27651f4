#pragma once
#include "afx/CWnd.h"

// Frame style bit: the title gets the document name. We have no documents; the
// bit is accepted and removed before the window is created.
#define FWS_ADDTOTITLE 0x00008000L

// The child window with this id fills the frame's client area.
#define AFX_IDW_PANE_FIRST 0xE900

// A top-level frame window. It deletes itself when its window is destroyed,
// also when creation fails: after LoadFrame returns FALSE the object is gone,
// and the application's m_pMainWnd no longer points at it.
class CFrameWnd : public CWnd
{
    DECLARE_DYNAMIC(CFrameWnd)
public:
    CFrameWnd();

    // Creates the window with menu and icon nIDResource (PreCreateWindow may
    // replace either); the window stays hidden. pContext is not used.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, void* pContext = nullptr);
    // Sizes the AFX_IDW_PANE_FIRST child to the client area.
    virtual void RecalcLayout(BOOL bNotify = TRUE);

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    void PostNcDestroy() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    // Destroys the window.
    afx_msg void OnClose();

    UINT m_nIDResource;

    DECLARE_MESSAGE_MAP()
};
