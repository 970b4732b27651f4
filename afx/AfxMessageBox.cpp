#include "afx/AfxMessageBox.h"
#include "afx/CString.h"
#include "afx/CWinApp.h"

namespace {

int DefaultMessageBox(HWND hWndOwner, LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType)
{
    return MessageBoxW(hWndOwner, lpszText, lpszCaption, nType);
}

// Written by tests on one thread before any box can appear; read by any thread.
AFX_MESSAGEBOX_HOOK g_pfnMessageBox = &DefaultMessageBox;

}  // namespace

AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK pfn)
{
    AFX_MESSAGEBOX_HOOK pfnOld = g_pfnMessageBox;
    g_pfnMessageBox = pfn ? pfn : &DefaultMessageBox;
    return pfnOld;
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT nIDHelp)
{
    CWinApp* pApp = AfxGetApp();
    LPCWSTR lpszCaption = pApp ? pApp->m_pszAppName : nullptr;
    // The box belongs to this thread's active window (a modal dialog, if any);
    // worker threads have none and get an unowned box.
    return g_pfnMessageBox(GetActiveWindow(), lpszText ? lpszText : L"", lpszCaption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString strText;
    if (!strText.LoadString(nIDPrompt))
    {
        OutputDebugStringW(L"AfxMessageBox: string resource missing\n");
        strText.Format(L"(string %u)", nIDPrompt);
    }
    return AfxMessageBox(strText, nType, nIDHelp);
}
