#pragma once
#include <windows.h>

// Every framework message box goes through this one function; tests replace it
// to record or answer boxes. The default calls MessageBoxW.
typedef int (*AFX_MESSAGEBOX_HOOK)(HWND hWndOwner, LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType);

// Installs pfn (NULL restores the default) and returns the previous hook.
AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK pfn);

// Caption: the application title. Returns the button pressed (IDOK, IDYES ...).
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
