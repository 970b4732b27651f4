#pragma once
#include <windows.h>
#include "afx/AfxMsgMap.h"
#include "afx/CRect.h"
#include "afx/CRuntimeClass.h"
#include "afx/CString.h"

class CDataExchange;

// A window object: the HWND and the message map that routes its messages.
// Permanent objects are found from their handle through one process-wide map,
// so a window may be created on any thread (each thread pumps its own).
// Windows are attached at creation by a per-thread CBT hook, before their first
// message, and by SubclassWindow for controls of a dialog template.
class CWnd
{
public:
    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const;

    CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window that still exists is destroyed with its object, under its own
    // window procedure: the derived class is gone by then, so a class whose
    // OnDestroy matters destroys its window in its own destructor.
    virtual ~CWnd();

    HWND m_hWnd;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The permanent object of hWnd, or NULL.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The permanent object, else a temporary one that lives until the thread's
    // message loop is next idle (DeleteTempMap). NULL only for a NULL handle.
    static CWnd* FromHandle(HWND hWnd);
    static void DeleteTempMap();

    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Routes an existing window's messages through this object; the old window
    // procedure handles what the map does not.
    BOOL SubclassWindow(HWND hWnd);

    virtual BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                          int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    // The same with a rectangle, a parent object and a control id.
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr)
    {
        return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
    }
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL DestroyWindow();
    // Called after WM_NCDESTROY, when the object is no longer attached.
    virtual void PostNcDestroy();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: the ON_NOTIFY entries of the map. TRUE when handled.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers the message to the permanent windows from its target up to the top.
    static BOOL WalkPreTranslateTree(MSG* pMsg);

    virtual void DoDataExchange(CDataExchange* pDX);
    // bSaveAndValidate TRUE: controls to members. FALSE when a check failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Thin wrappers.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void ScreenToClient(LPRECT lpRect) const
    {
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
    }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE)
    {
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
    }
    BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const { return ::GetWindowPlacement(m_hWnd, lpwndpl); }
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl) { return ::SetWindowPlacement(m_hWnd, lpwndpl); }
    void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    // nFlags non-zero: SetWindowPos with these flags too (SWP_FRAMECHANGED to redraw the frame).
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongPtrW(m_hWnd, GWLP_ID, nID)); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr)
    {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    HWND SetClipboardViewer() { return ::SetClipboardViewer(m_hWnd); }
    BOOL ChangeClipboardChain(HWND hWndNext) { return ::ChangeClipboardChain(m_hWnd, hWndNext); }

protected:
    // Default processing of the message now being handled by this thread.
    LRESULT Default();

    // Handlers for the ON_WM_ entries; each does the default processing.
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg BOOL OnQueryEndSession();
    // When the session ends and this is the application's main window, runs ExitInstance.
    afx_msg void OnEndSession(BOOL bEnding);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    afx_msg void OnChangeCbChain(HWND hWndRemove, HWND hWndAfter);
    afx_msg void OnDrawClipboard();
    afx_msg void OnRenderFormat(UINT nFormat);
    afx_msg UINT OnGetDlgCode();

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    WNDPROC m_pfnSuper;  // the window procedure under ours; NULL: DefWindowProcW

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);

    // Around a creation call: the next window created on this thread is
    // attached to this object (its handle reported in *phWndAttached). After the
    // call, an object whose window never came to exist, or came and went, gets
    // its PostNcDestroy, so a failed creation ends the same way as a destroy.
    void HookWindowCreate(HWND* phWndAttached);
    static void UnhookWindowCreate(BOOL bCreated, HWND hWndAttached);

    // The owner of a modal dialog or sheet: pParentWnd's window, else the
    // application's main window while it exists, else none.
    static HWND GetOwnerForModal(const CWnd* pParentWnd);

private:
    void OnNcDestroyed();
};

// The window procedure of every window that has an object. An exception
// from a handler stops there (it must not unwind through the system's code):
// the message gets the result 0 and AfxWndProcFaultHook, when set, is told.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
extern void (*AfxWndProcFaultHook)(UINT message, BOOL bOutOfMemory);

// A window class with these attributes (DefWindowProcW as its procedure),
// registered once per process; the name stays valid until the process ends.
// Raises CResourceException when the class can't be registered.
LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);
