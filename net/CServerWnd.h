#pragma once
// The hidden clipboard owner of a receiver that holds placeholders. It is
// made and pumped on the receiver's own thread, so that the WM_RENDERFORMAT
// of a pasting program is served there, over the receiver's connection.

#include "afx/Afx.h"
#include "afx/CWnd.h"

class CReceiverThread;

class CServerWnd : public CWnd
{
public:
    CServerWnd() : m_pThread(nullptr) {}
    // Destroys a window that still exists while this class's handlers are
    // still in place, so that OnDestroy withdraws the receiver's handle.
    virtual ~CServerWnd();

    // The receiver's records and marker onto the clipboard, this window as
    // owner. TRUE when they are there (and the offer is logged).
    BOOL TryPutOnClipboard();

    CReceiverThread* m_pThread;  // set before creation; not owned

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg LRESULT OnStopRequest(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnRenderFormat(UINT nFormat);

    DECLARE_MESSAGE_MAP()
};
