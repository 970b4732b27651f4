#include "afx/CRegistryKey.h"

// The key is stored only on success: what the registry leaves in its out
// parameter on failure is not something to close later.

LONG CRegistryKey::Open(HKEY hParent, LPCWSTR pszSubKey, REGSAM samDesired)
{
    Close();
    HKEY hKey = nullptr;
    LONG r = ::RegOpenKeyExW(hParent, pszSubKey, 0, samDesired, &hKey);
    if (r == ERROR_SUCCESS)
        m_hKey = hKey;
    return r;
}

LONG CRegistryKey::Create(HKEY hParent, LPCWSTR pszSubKey, REGSAM samDesired, DWORD* pdwDisposition)
{
    Close();
    HKEY hKey = nullptr;
    LONG r = ::RegCreateKeyExW(hParent, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, samDesired, nullptr, &hKey,
                               pdwDisposition);
    if (r == ERROR_SUCCESS)
        m_hKey = hKey;
    return r;
}

void CRegistryKey::Close()
{
    if (m_hKey != nullptr)
        ::RegCloseKey(Detach());
}

HKEY CRegistryKey::Detach()
{
    HKEY hKey = m_hKey;
    m_hKey = nullptr;
    return hKey;
}
