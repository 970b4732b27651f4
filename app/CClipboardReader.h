#pragma once
// The clipboard calls the capture makes, one Win32 call each. Tests replace
// them to hand the capture a clipboard of their own making.

#include "afx/Afx.h"

class CClipboardReader
{
public:
    virtual ~CClipboardReader() {}

    virtual BOOL Open(HWND hWndOwner) { return ::OpenClipboard(hWndOwner); }
    virtual void Close() { ::CloseClipboard(); }
    virtual UINT EnumFormats(UINT nFormat) { return ::EnumClipboardFormats(nFormat); }
    virtual int GetFormatName(UINT nFormat, LPWSTR pszName, int cchMax)
    {
        return ::GetClipboardFormatNameW(nFormat, pszName, cchMax);
    }
    // A global-memory block (or NULL); it stays the clipboard's.
    virtual HANDLE GetData(UINT nFormat) { return ::GetClipboardData(nFormat); }
};
