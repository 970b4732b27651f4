#include "afx/CWinApp.h"

#include <vector>

#include "afx/CRegistryKey.h"

namespace {

CWinApp* g_pApp = nullptr;

// A value's size comes from the registry; anything larger is treated as absent
// rather than allocated.
const DWORD kMaxProfileValueBytes = 16u * 1024 * 1024;

void LogProfileFault(LPCWSTR what, LPCWSTR section, LPCWSTR entry)
{
    CString line;
    line.Format(L"profile: %s (%s\\%s)\n", what, section ? section : L"", entry ? entry : L"");
    OutputDebugStringW(line);
}

// Reads one value of section\entry, whatever its type. FALSE when it is absent,
// unreadable or over the size bound.
BOOL QueryValue(HKEY hSection, LPCWSTR section, LPCWSTR entry, DWORD& type, std::vector<BYTE>& data)
{
    // The value may grow between the size query and the read: retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        DWORD cb = 0;
        LONG r = RegQueryValueExW(hSection, entry, nullptr, &type, nullptr, &cb);
        if (r != ERROR_SUCCESS)
            return FALSE;
        if (cb > kMaxProfileValueBytes)
        {
            LogProfileFault(L"value over 16 MB ignored", section, entry);
            return FALSE;
        }
        data.resize(cb ? cb : 1);
        DWORD cbRead = cb;
        r = RegQueryValueExW(hSection, entry, nullptr, &type, data.data(), &cbRead);
        if (r == ERROR_SUCCESS)
        {
            data.resize(cbRead);
            return TRUE;
        }
        if (r != ERROR_MORE_DATA)
            return FALSE;
    }
    LogProfileFault(L"value kept changing while read", section, entry);
    return FALSE;
}

// hParent\name for reading and writing, created if need be, when bCreate;
// else opened for reading only. NULL when that fails.
HKEY OpenProfileKey(HKEY hParent, LPCWSTR name, BOOL bCreate)
{
    CRegistryKey key;
    LONG r = bCreate ? key.Create(hParent, name, KEY_READ | KEY_WRITE) : key.Open(hParent, name, KEY_READ);
    return r == ERROR_SUCCESS ? key.Detach() : nullptr;
}

CString ModuleTitle(HINSTANCE hInstance)
{
    CString title;
    if (title.LoadString(AFX_IDS_APP_TITLE))
        return title;
    // No title in the string table: the executable's name without its extension.
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(hInstance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return title;
    CString file(path, static_cast<int>(n));
    file = file.Mid(file.ReverseFind(L'\\') + 1);
    int dot = file.ReverseFind(L'.');
    return dot > 0 ? file.Left(dot) : file;
}

}  // namespace

CWinApp* AfxGetApp() { return g_pApp; }

CWinApp::CWinApp(LPCWSTR lpszAppName)
{
    m_hInstance = GetModuleHandleW(nullptr);
    m_strAppName = lpszAppName ? CString(lpszAppName) : ModuleTitle(m_hInstance);
    m_pszAppName = m_strAppName;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : L"";
    m_strProfileName = m_pszAppName;  // the application may have replaced the title
    m_pszRegistryKey = m_strRegistryKey;
    m_pszProfileName = m_strProfileName;
}

CString CWinApp::ProductKeyPath() const
{
    if (m_strRegistryKey.IsEmpty() || m_strProfileName.IsEmpty())
    {
        LogProfileFault(L"no registry key set", nullptr, nullptr);
        return CString();
    }
    return L"Software\\" + m_strRegistryKey + L"\\" + m_strProfileName;
}

HKEY CWinApp::GetAppRegistryKey(BOOL bCreate)
{
    CString path = ProductKeyPath();
    if (path.IsEmpty())
        return nullptr;
    return OpenProfileKey(HKEY_CURRENT_USER, path, bCreate);
}

HKEY CWinApp::GetSectionKey(LPCWSTR lpszSection, BOOL bCreate)
{
    if (!lpszSection)
        return nullptr;
    CRegistryKey app(GetAppRegistryKey(bCreate));
    if (!app)
        return nullptr;
    return OpenProfileKey(app, lpszSection, bCreate);
}

UINT CWinApp::GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault)
{
    CRegistryKey key(GetSectionKey(lpszSection, FALSE));
    if (!key)
        return static_cast<UINT>(nDefault);
    DWORD type = 0, value = 0, cb = sizeof(value);
    LONG r = RegQueryValueExW(key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &cb);
    if (r == ERROR_SUCCESS && type == REG_DWORD && cb == sizeof(value))
        return value;
    return static_cast<UINT>(nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue)
{
    CRegistryKey key(GetSectionKey(lpszSection, TRUE));
    if (!key)
        return FALSE;
    DWORD value = static_cast<DWORD>(nValue);
    LONG r = RegSetValueExW(key, lpszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    return r == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault)
{
    CString strDefault(lpszDefault);
    DWORD type = 0;
    std::vector<BYTE> data;
    BOOL found = FALSE;
    {
        CRegistryKey key(GetSectionKey(lpszSection, FALSE));
        if (!key)
            return strDefault;
        found = QueryValue(key, lpszSection, lpszEntry, type, data);
    }
    if (!found || (type != REG_SZ && type != REG_EXPAND_SZ))
        return strDefault;
    // Stored strings need not be terminated, nor even of whole characters.
    const wchar_t* p = reinterpret_cast<const wchar_t*>(data.data());
    size_t n = wcsnlen(p, data.size() / sizeof(wchar_t));
    return CString(p, static_cast<int>(n));
}

BOOL CWinApp::WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue)
{
    if (!lpszSection)
        return FALSE;
    if (!lpszEntry)
    {
        CString path = ProductKeyPath();
        if (path.IsEmpty())
            return FALSE;
        CRegistryKey app;
        LONG o = app.Open(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
        if (o != ERROR_SUCCESS)
            return o == ERROR_FILE_NOT_FOUND;  // nothing stored, nothing to delete
        LONG r = RegDeleteTreeW(app, lpszSection);
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    }
    if (!lpszValue)
    {
        CString path = ProductKeyPath();
        if (path.IsEmpty())
            return FALSE;
        path += L"\\";
        path += lpszSection;
        CRegistryKey key;
        LONG o = key.Open(HKEY_CURRENT_USER, path, KEY_SET_VALUE);
        if (o != ERROR_SUCCESS)
            return o == ERROR_FILE_NOT_FOUND;  // no section, no value
        LONG r = RegDeleteValueW(key, lpszEntry);
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    }
    size_t cb = (wcslen(lpszValue) + 1) * sizeof(wchar_t);
    if (cb > kMaxProfileValueBytes)
    {
        LogProfileFault(L"string over 16 MB not written", lpszSection, lpszEntry);
        return FALSE;
    }
    CRegistryKey key(GetSectionKey(lpszSection, TRUE));
    if (!key)
        return FALSE;
    LONG r =
        RegSetValueExW(key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue), static_cast<DWORD>(cb));
    return r == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, BYTE** ppData, UINT* pBytes)
{
    if (!ppData || !pBytes)
        return FALSE;
    *ppData = nullptr;
    *pBytes = 0;
    DWORD type = 0;
    std::vector<BYTE> data;
    BOOL found = FALSE;
    {
        CRegistryKey key(GetSectionKey(lpszSection, FALSE));
        if (!key)
            return FALSE;
        found = QueryValue(key, lpszSection, lpszEntry, type, data);
    }
    if (!found || type != REG_BINARY)
        return FALSE;
    BYTE* p = new BYTE[data.size() ? data.size() : 1];
    if (!data.empty())
        memcpy(p, data.data(), data.size());
    *ppData = p;
    *pBytes = static_cast<UINT>(data.size());
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPBYTE pData, UINT nBytes)
{
    if (nBytes > kMaxProfileValueBytes || (nBytes && !pData))
    {
        LogProfileFault(L"binary value not written", lpszSection, lpszEntry);
        return FALSE;
    }
    CRegistryKey key(GetSectionKey(lpszSection, TRUE));
    if (!key)
        return FALSE;
    LONG r = RegSetValueExW(key, lpszEntry, 0, REG_BINARY, pData, nBytes);
    return r == ERROR_SUCCESS;
}

BOOL CWinApp::Unregister()
{
    if (ProductKeyPath().IsEmpty())
        return FALSE;
    CString makerPath = L"Software\\" + m_strRegistryKey;
    CRegistryKey maker;
    if (maker.Open(HKEY_CURRENT_USER, makerPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return TRUE;  // nothing was stored
    LONG r = RegDeleteTreeW(maker, m_strProfileName);
    BOOL bDeleted = r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
    DWORD nSubKeys = 1, nValues = 1;
    LONG q = RegQueryInfoKeyW(maker, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                              nullptr, nullptr);
    maker.Close();  // before the maker's key itself may be deleted below
    // The maker's key may hold other products (or the previous release): it
    // goes only when it is empty.
    if (bDeleted && q == ERROR_SUCCESS && nSubKeys == 0 && nValues == 0)
    {
        CRegistryKey software;
        if (software.Open(HKEY_CURRENT_USER, L"Software", KEY_ALL_ACCESS) == ERROR_SUCCESS)
            RegDeleteKeyW(software, m_strRegistryKey);
    }
    return bDeleted;
}
