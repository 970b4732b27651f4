#include "afx/CFrameWnd.h"

#include "afx/CWinApp.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() : m_nIDResource(0) {}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, void* pContext)
{
    m_nIDResource = nIDResource;
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    HMENU hMenu = ::LoadMenuW(hInstance, MAKEINTRESOURCEW(nIDResource));
    wchar_t szTitle[256] = {};
    ::LoadStringW(hInstance, AFX_IDS_APP_TITLE, szTitle, 255);
    if (!CreateEx(0, nullptr, szTitle, dwDefaultStyle & ~static_cast<DWORD>(FWS_ADDTOTITLE), CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                  hMenu))
    {
        // The object is gone (PostNcDestroy); only the menu is left to free.
        if (hMenu != nullptr)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    if (hMenu != nullptr && ::GetMenu(m_hWnd) != hMenu)
        ::DestroyMenu(hMenu);  // PreCreateWindow took it away
    RecalcLayout();
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                           ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDResource)));
    cs.style &= ~static_cast<LONG>(FWS_ADDTOTITLE);
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return TRUE;
}

void CFrameWnd::PostNcDestroy() { delete this; }

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CWnd::OnCreate(lpCreateStruct) == -1 ? -1 : 0; }

void CFrameWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnClose() { DestroyWindow(); }

void CFrameWnd::RecalcLayout(BOOL bNotify)
{
    HWND hWndPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST);
    if (hWndPane == nullptr)
        return;
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    ::SetWindowPos(hWndPane, nullptr, 0, 0, rcClient.right, rcClient.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}
