#pragma once
#include <windows.h>

// Owns one open registry key: the destructor closes it, so a function that
// opens a key closes it on every return and every throw without a close call
// of its own. Open and Create are one registry call each and close what was
// held before; a failed call leaves the object empty.
class CRegistryKey
{
public:
    CRegistryKey() = default;
    // Takes a key the caller opened (or NULL).
    explicit CRegistryKey(HKEY hKey) : m_hKey(hKey) {}
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey() { Close(); }

    LONG Open(HKEY hParent, LPCWSTR pszSubKey, REGSAM samDesired);
    // A non-volatile key; pdwDisposition tells whether it was created or already there.
    LONG Create(HKEY hParent, LPCWSTR pszSubKey, REGSAM samDesired, DWORD* pdwDisposition = nullptr);
    void Close();
    // Hands the key to the caller, who closes it from then on.
    HKEY Detach();

    operator HKEY() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};
