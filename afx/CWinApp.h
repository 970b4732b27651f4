#pragma once
#include <windows.h>
#include "afx/CString.h"

class CWnd;

#define AFX_IDS_APP_TITLE 0xE000

// The one application object. Profile functions work under
// HKEY_CURRENT_USER\Software\<m_pszRegistryKey>\<m_pszProfileName>\<section>
// once SetRegistryKey was called; before that they fail (defaults, FALSE).
class CWinApp
{
public:
    // No name: the string-table entry AFX_IDS_APP_TITLE, else the module's file name.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();  // returns the exit code
    virtual int Run();
    // One message of Run's loop, waiting for it: FALSE on WM_QUIT.
    BOOL PumpMessage();

    void SetRegistryKey(LPCWSTR lpszRegistryKey);

    // The stored value when it is a REG_DWORD, else nDefault.
    UINT GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue);
    // The stored REG_SZ (an empty one stays empty); lpszDefault only when absent.
    CString GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault = nullptr);
    // lpszValue NULL deletes the value; lpszEntry NULL deletes the section.
    BOOL WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue);
    // TRUE with *ppData from new[] (the caller delete[]s it) and *pBytes set;
    // FALSE with *ppData NULL and *pBytes 0 when no REG_BINARY value is there.
    BOOL GetProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, BYTE** ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPBYTE pData, UINT nBytes);
    // Deletes the product key with all its sections; then the maker's key
    // when neither a subkey nor a value is left under it.
    virtual BOOL Unregister();

    // Open keys the caller closes; NULL on failure. bCreate FALSE only opens for reading.
    HKEY GetAppRegistryKey(BOOL bCreate = TRUE);
    HKEY GetSectionKey(LPCWSTR lpszSection, BOOL bCreate = TRUE);

    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    LPCWSTR m_pszProfileName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPWSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

private:
    CString ProductKeyPath() const;  // empty before SetRegistryKey

    CString m_strAppName;
    CString m_strRegistryKey;
    CString m_strProfileName;
};

CWinApp* AfxGetApp();
