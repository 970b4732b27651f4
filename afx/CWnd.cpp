#include "afx/CWnd.h"

#include <cwchar>
#include <list>
#include <new>
#include <string>
#include <unordered_map>

#include "afx/CDataExchange.h"
#include "afx/CSRWLockGuard.h"
#include "afx/CWinApp.h"

// ---- handle maps ----------------------------------------------------------

namespace {

// One map for the whole process: receivers create their clipboard window on
// their own thread, and the handle must resolve wherever a message arrives.
SRWLOCK g_mapLock = SRWLOCK_INIT;
std::unordered_map<HWND, CWnd*>& PermanentMap()
{
    static auto* map = new std::unordered_map<HWND, CWnd*>();  // outlives every static object
    return *map;
}

// Temporary wrappers are per thread and go at the next idle moment of its loop.
thread_local std::unordered_map<HWND, CWnd*>* t_pTempMap = nullptr;

// Window creation in progress on this thread.
thread_local CWnd* t_pWndInit = nullptr;       // the object the next window is attached to
thread_local HWND* t_phWndAttached = nullptr;  // where the hook reports the attached handle
thread_local HHOOK t_hHook = nullptr;
thread_local int t_nHookDepth = 0;

// The message now being handled on this thread, for CWnd::Default.
thread_local MSG t_msgCurrent = {};

void MapAdd(HWND hWnd, CWnd* pWnd)
{
    CSRWLockGuard lock(g_mapLock);
    PermanentMap()[hWnd] = pWnd;
}

void MapRemove(HWND hWnd, CWnd* pWnd)
{
    CSRWLockGuard lock(g_mapLock);
    auto it = PermanentMap().find(hWnd);
    if (it != PermanentMap().end() && it->second == pWnd)
        PermanentMap().erase(it);
}

}  // namespace

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    CSRWLockGuard lock(g_mapLock, TRUE);
    auto it = PermanentMap().find(hWnd);
    return it != PermanentMap().end() ? it->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    if (t_pTempMap == nullptr)
        t_pTempMap = new std::unordered_map<HWND, CWnd*>();
    CWnd*& pTemp = (*t_pTempMap)[hWnd];
    if (pTemp == nullptr)
    {
        pTemp = new CWnd();
        pTemp->m_hWnd = hWnd;  // not in the permanent map: it never owns the window
    }
    return pTemp;
}

void CWnd::DeleteTempMap()
{
    if (t_pTempMap == nullptr)
        return;
    for (auto& entry : *t_pTempMap)
    {
        entry.second->m_hWnd = nullptr;  // a wrapper must not destroy the window
        delete entry.second;
    }
    delete t_pTempMap;
    t_pTempMap = nullptr;
}

// ---- object and handle ----------------------------------------------------

const CRuntimeClass CWnd::classCWnd = {"CWnd", nullptr};
const CRuntimeClass* CWnd::GetRuntimeClass() const { return RUNTIME_CLASS(CWnd); }

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::~CWnd()
{
    if (m_hWnd == nullptr)
        return;
    HWND hWnd = m_hWnd;
    // Give the window back its own procedure first: the messages of its
    // destruction must not reach an object that is half destroyed.
    if (FromHandlePermanent(hWnd) == this)
    {
        if (m_pfnSuper != nullptr && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == AfxWndProc)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        MapRemove(hWnd, this);
        m_hWnd = nullptr;
        ::DestroyWindow(hWnd);
    }
    m_hWnd = nullptr;
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (hWndNew == nullptr || m_hWnd != nullptr)
        return FALSE;
    m_hWnd = hWndNew;
    MapAdd(hWndNew, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr)
        MapRemove(hWnd, this);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!::IsWindow(hWnd) || FromHandlePermanent(hWnd) != nullptr || !Attach(hWnd))
        return FALSE;
    WNDPROC pfnOld =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    if (pfnOld == nullptr)
    {
        Detach();
        return FALSE;
    }
    if (pfnOld != AfxWndProc)
        m_pfnSuper = pfnOld;
    return TRUE;
}

// ---- creation -------------------------------------------------------------

LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && t_pWndInit != nullptr)
    {
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;  // only the first window; a dialog's controls come after it
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        pWnd->Attach(hWnd);
        WNDPROC pfnOld =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
        pWnd->m_pfnSuper = (pfnOld == AfxWndProc) ? nullptr : pfnOld;
        if (t_phWndAttached != nullptr)
            *t_phWndAttached = hWnd;
        t_phWndAttached = nullptr;
    }
    return ::CallNextHookEx(t_hHook, nCode, wParam, lParam);
}

void CWnd::HookWindowCreate(HWND* phWndAttached)
{
    if (t_nHookDepth++ == 0)
        t_hHook = ::SetWindowsHookExW(WH_CBT, AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    *phWndAttached = nullptr;
    t_pWndInit = this;
    t_phWndAttached = phWndAttached;
}

void CWnd::UnhookWindowCreate(BOOL bCreated, HWND hWndAttached)
{
    CWnd* pPending = t_pWndInit;
    t_pWndInit = nullptr;
    t_phWndAttached = nullptr;
    if (--t_nHookDepth == 0)
    {
        ::UnhookWindowsHookEx(t_hHook);
        t_hHook = nullptr;
    }
    if (pPending != nullptr)
    {
        // The window never came to exist: end the object's life as if it had.
        pPending->PostNcDestroy();
    }
    else if (!bCreated && hWndAttached != nullptr)
    {
        // Created and then refused (WM_CREATE returned -1). When the window
        // went without WM_NCDESTROY reaching us, finish the object here.
        if (CWnd* pWnd = FromHandlePermanent(hWndAttached))
            pWnd->OnNcDestroyed();
    }
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    CREATESTRUCTW cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = ::GetModuleHandleW(nullptr);
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    HWND hWndAttached = nullptr;
    HookWindowCreate(&hWndAttached);
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    UnhookWindowCreate(hWnd != nullptr, hWndAttached);
    // On failure the object may be gone (PostNcDestroy): touch no member.
    return hWnd != nullptr;
}

HWND CWnd::GetOwnerForModal(const CWnd* pParentWnd)
{
    if (pParentWnd != nullptr)
        return pParentWnd->m_hWnd;
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd != nullptr && ::IsWindow(pApp->m_pMainWnd->m_hWnd))
        return pApp->m_pMainWnd->m_hWnd;
    return nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(0);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == nullptr)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::PostNcDestroy() {}

void CWnd::OnNcDestroyed()
{
    HWND hWnd = m_hWnd;
    if (m_pfnSuper != nullptr && ::IsWindow(hWnd) &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == AfxWndProc)
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    // The main window gone ends the application's message loop.
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this)
    {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    PostNcDestroy();  // may delete this
}

// ---- messages -------------------------------------------------------------

void (*AfxWndProcFaultHook)(UINT message, BOOL bOutOfMemory) = nullptr;

namespace {

// The first entry that match accepts, from the most derived class's map to CWnd's.
template <class Match>
const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, Match match)
{
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->nMessage != 0; ++pEntry)
        {
            if (match(*pEntry))
                return pEntry;
        }
    }
    return nullptr;
}

// A WM_COMMAND or WM_NOTIFY entry for this code whose id range holds nID.
const AFX_MSGMAP_ENTRY* FindControlEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode, UINT nID)
{
    return FindMessageEntry(pMap, [=](const AFX_MSGMAP_ENTRY& entry) {
        return entry.nMessage == nMessage && entry.nCode == nCode && nID >= entry.nID && nID <= entry.nLastID;
    });
}

}  // namespace

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    MSG msgOld = t_msgCurrent;
    t_msgCurrent.hwnd = hWnd;
    t_msgCurrent.message = message;
    t_msgCurrent.wParam = wParam;
    t_msgCurrent.lParam = lParam;
    LRESULT lResult = 0;
    try
    {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    }
    catch (const std::bad_alloc&)
    {  // CMemoryException too
        if (AfxWndProcFaultHook != nullptr)
            AfxWndProcFaultHook(message, TRUE);
    }
    catch (...)
    {
        if (AfxWndProcFaultHook != nullptr)
            AfxWndProcFaultHook(message, FALSE);
    }
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd)
        pWnd->OnNcDestroyed();
    t_msgCurrent = msgOld;
    return lResult;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
    {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, pResult);
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(GetMessageMap(), [message](const AFX_MSGMAP_ENTRY& entry) {
        if (entry.nMessage == AFX_REGISTERED_MESSAGE)
            return *entry.pnRegistered != 0 && *entry.pnRegistered == message;
        return entry.nMessage == message;
    });
    if (pEntry == nullptr)
        return FALSE;
    *pResult = 0;
    return pEntry->pfn(this, wParam, lParam, pResult);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
    if (pNMHDR == nullptr)
        return FALSE;
    UINT nCode = pNMHDR->code;
    UINT nID = static_cast<UINT>(pNMHDR->idFrom);
    const AFX_MSGMAP_ENTRY* pEntry = FindControlEntry(GetMessageMap(), WM_NOTIFY, nCode, nID);
    if (pEntry == nullptr)
        return FALSE;
    *pResult = 0;
    return pEntry->pfn(this, wParam, lParam, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    if (lParam == 0)
        nCode = 0;  // menu (0) and accelerator (1) commands are both plain commands
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindControlEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (pEntry == nullptr)
        return FALSE;
    LRESULT lResult = 0;
    return pEntry->pfn(this, MAKEWPARAM(nID, nCode), 0, &lResult);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(t_msgCurrent.message, t_msgCurrent.wParam, t_msgCurrent.lParam); }

BOOL CWnd::PreTranslateMessage(MSG* pMsg) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd))
    {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if ((::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD) == 0)
            break;  // not on to the owner
    }
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

int CWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSize(UINT nType, int cx, int cy) { Default(); }
void CWnd::OnTimer(UINT_PTR nIDEvent) { Default(); }
void CWnd::OnSetFocus(CWnd* pOldWnd) { Default(); }
BOOL CWnd::OnQueryEndSession() { return static_cast<BOOL>(Default()); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO* lpMMI) { Default(); }
void CWnd::OnChangeCbChain(HWND hWndRemove, HWND hWndAfter) { Default(); }
void CWnd::OnDrawClipboard() { Default(); }
void CWnd::OnRenderFormat(UINT nFormat) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }

void CWnd::OnEndSession(BOOL bEnding)
{
    Default();
    CWinApp* pApp = AfxGetApp();
    if (bEnding && pApp != nullptr && pApp->m_pMainWnd == this)
        pApp->ExitInstance();
}

// ---- data exchange and text -----------------------------------------------

void CWnd::DoDataExchange(CDataExchange* pDX) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void CWnd::GetWindowText(CString& rString) const
{
    int nLength = ::GetWindowTextLengthW(m_hWnd);
    LPWSTR pBuffer = rString.GetBuffer(nLength);
    int nCopied = ::GetWindowTextW(m_hWnd, pBuffer, nLength + 1);
    rString.ReleaseBuffer(nCopied);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = GetStyle();
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(dwNewStyle));
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

// ---- window classes -------------------------------------------------------

LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static SRWLOCK lock = SRWLOCK_INIT;
    static auto* names = new std::list<std::wstring>();  // names stay valid for the process
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    wchar_t szName[96] = {};
    _snwprintf(szName, 95, L"VarnelWnd:%p:%x:%p:%p:%p", hInstance, nClassStyle, hCursor, hbrBackground, hIcon);

    CSRWLockGuard guard(lock);
    LPCWSTR pszResult = nullptr;
    for (const std::wstring& name : *names)
        if (name == szName)
            pszResult = name.c_str();
    if (pszResult == nullptr)
    {
        WNDCLASSW wc = {};
        if (!::GetClassInfoW(hInstance, szName, &wc))
        {
            wc.style = nClassStyle;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = hInstance;
            wc.hIcon = hIcon;
            wc.hCursor = hCursor;
            wc.hbrBackground = hbrBackground;
            wc.lpszClassName = szName;
            if (!::RegisterClassW(&wc))
                AfxThrowResourceException();
        }
        names->push_back(szName);
        pszResult = names->back().c_str();
    }
    return pszResult;
}
