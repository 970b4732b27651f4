#pragma once
#include <windows.h>

// Message maps: a constant table of entries per class, each entry naming the
// message (and for WM_COMMAND / WM_NOTIFY the code and control ids) and a
// small thunk that unpacks wParam/lParam and calls the member handler.
// CWnd::OnWndMsg walks the tables from the most derived class to CWnd.

class CWnd;

// Returns TRUE when the message was handled; *pResult is the window procedure's result.
typedef BOOL (*AFX_MSGTHUNK)(CWnd* pWnd, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;             // 0 ends the table
    UINT nCode;                // WM_COMMAND, WM_NOTIFY: the notification code
    UINT nID;                  // WM_COMMAND, WM_NOTIFY: first control or command id
    UINT nLastID;              // last id of the range
    const UINT* pnRegistered;  // ON_REGISTERED_MESSAGE: the id, known only at run time
    AFX_MSGTHUNK pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Marks an entry whose message id is read from pnRegistered.
#define AFX_REGISTERED_MESSAGE 0xC000u

#define afx_msg

#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        typedef theClass ThisClass;                                                                                    \
        typedef baseClass TheBaseClass;                                                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        0, 0, 0, 0, nullptr, nullptr                                                                                   \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries};                          \
    return &messageMap;                                                                                                \
    }

// One entry; the statements after the ids form the thunk's body, with pThis,
// wParam, lParam and pResult (preset to 0) in scope.
#define AFX_MSG_ENTRY(msg, code, id, lastId, pReg, ...)                                                                \
    {msg, code, id, lastId, pReg, [](CWnd* pWnd_, WPARAM wParam, LPARAM lParam, LRESULT* pResult) -> BOOL {            \
         ThisClass* pThis = static_cast<ThisClass*>(pWnd_);                                                            \
         (void)pThis;                                                                                                  \
         (void)wParam;                                                                                                 \
         (void)lParam;                                                                                                 \
         (void)pResult;                                                                                                \
         __VA_ARGS__;                                                                                                  \
         return TRUE;                                                                                                  \
     }},

// Window messages.
#define ON_WM_CREATE()                                                                                                 \
    AFX_MSG_ENTRY(WM_CREATE, 0, 0, 0, nullptr, *pResult = pThis->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, nullptr, pThis->OnDestroy())
#define ON_WM_CLOSE()   AFX_MSG_ENTRY(WM_CLOSE, 0, 0, 0, nullptr, pThis->OnClose())
#define ON_WM_SIZE()                                                                                                   \
    AFX_MSG_ENTRY(WM_SIZE, 0, 0, 0, nullptr,                                                                           \
                  pThis->OnSize(static_cast<UINT>(wParam), (short)LOWORD(lParam), (short)HIWORD(lParam)))
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, nullptr, pThis->OnTimer(static_cast<UINT_PTR>(wParam)))
#define ON_WM_SETFOCUS()                                                                                               \
    AFX_MSG_ENTRY(WM_SETFOCUS, 0, 0, 0, nullptr, pThis->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam))))
#define ON_WM_QUERYENDSESSION()                                                                                        \
    AFX_MSG_ENTRY(WM_QUERYENDSESSION, 0, 0, 0, nullptr, *pResult = pThis->OnQueryEndSession())
#define ON_WM_ENDSESSION()                                                                                             \
    AFX_MSG_ENTRY(WM_ENDSESSION, 0, 0, 0, nullptr, pThis->OnEndSession(static_cast<BOOL>(wParam)))
#define ON_WM_GETMINMAXINFO()                                                                                          \
    AFX_MSG_ENTRY(WM_GETMINMAXINFO, 0, 0, 0, nullptr, pThis->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)))
#define ON_WM_CHANGECBCHAIN()                                                                                          \
    AFX_MSG_ENTRY(WM_CHANGECBCHAIN, 0, 0, 0, nullptr,                                                                  \
                  pThis->OnChangeCbChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam)))
#define ON_WM_DRAWCLIPBOARD() AFX_MSG_ENTRY(WM_DRAWCLIPBOARD, 0, 0, 0, nullptr, pThis->OnDrawClipboard())
#define ON_WM_RENDERFORMAT()                                                                                           \
    AFX_MSG_ENTRY(WM_RENDERFORMAT, 0, 0, 0, nullptr, pThis->OnRenderFormat(static_cast<UINT>(wParam)))
#define ON_WM_GETDLGCODE() AFX_MSG_ENTRY(WM_GETDLGCODE, 0, 0, 0, nullptr, *pResult = pThis->OnGetDlgCode())

// Handlers are named as member pointers: ON_MESSAGE(UWM_X, &CMyWnd::OnX).
// LRESULT Handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                                                 \
    AFX_MSG_ENTRY(message, 0, 0, 0, nullptr, *pResult = (pThis->*(memberFxn))(wParam, lParam))
// nMessageVariable: a UINT that holds the id from RegisterWindowMessage.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                                             \
    AFX_MSG_ENTRY(AFX_REGISTERED_MESSAGE, 0, 0, 0, &(nMessageVariable),                                                \
                  *pResult = (pThis->*(memberFxn))(wParam, lParam))

// Commands from menus and buttons (code 0), and other control notifications: void Handler().
#define ON_COMMAND(id, memberFxn)       AFX_MSG_ENTRY(WM_COMMAND, 0, id, id, nullptr, (pThis->*(memberFxn))())
#define ON_CONTROL(code, id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, code, id, id, nullptr, (pThis->*(memberFxn))())
#define ON_BN_CLICKED(id, memberFxn)    ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn)     ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
// void Handler(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, memberFxn)                                                                                 \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<UINT>(code), id, id, nullptr,                                                 \
                  (pThis->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam), pResult))
