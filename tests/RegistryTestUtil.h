#pragma once
// The test prefix's registry under HKEY_CURRENT_USER, read and written
// directly (not through the code under test), so a test sees the bytes
// exactly as they are stored.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "afx/CWinApp.h"

namespace regtest {

typedef std::vector<BYTE> Bytes;

inline Bytes DwordBytes(DWORD value)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    return Bytes(p, p + sizeof value);
}

// UTF-16 with its terminator, as a REG_SZ is stored.
inline Bytes SzBytes(LPCWSTR text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text);
    return Bytes(p, p + (wcslen(text) + 1) * sizeof(WCHAR));
}

// ---- keys and values by path below HKEY_CURRENT_USER -------------------------

inline bool KeyExists(const std::wstring& path)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

// The key and everything below it; nothing when it is absent.
inline void DeleteKey(const std::wstring& path) { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

// Opens the key, creating it when needed; the caller closes it.
inline HKEY CreateKey(const std::wstring& path)
{
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    return hKey;
}

inline void SetValue(const std::wstring& path, LPCWSTR name, DWORD type, const void* data, DWORD cb)
{
    HKEY hKey = CreateKey(path);
    ASSERT_NE(nullptr, hKey);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(hKey, name, 0, type, static_cast<const BYTE*>(data), cb));
    RegCloseKey(hKey);
}

inline void SetValue(const std::wstring& path, LPCWSTR name, DWORD type, const Bytes& data)
{
    SetValue(path, name, type, data.data(), static_cast<DWORD>(data.size()));
}

// The value's type and its bytes as stored, whatever their size; false when
// it is absent.
inline bool GetValue(const std::wstring& path, LPCWSTR name, DWORD& type, Bytes& data)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD cb = 0;
    LONG r = RegQueryValueExW(hKey, name, nullptr, &type, nullptr, &cb);
    if (r == ERROR_SUCCESS)
    {
        data.resize(cb);
        r = RegQueryValueExW(hKey, name, nullptr, &type, data.data(), &cb);
        data.resize(cb);
    }
    RegCloseKey(hKey);
    return r == ERROR_SUCCESS;
}

// ---- the current application's profile --------------------------------------

// HKEY_CURRENT_USER\Software\<registry key>\<profile name>[\<section>].
inline std::wstring ProfilePath(LPCWSTR section = nullptr)
{
    const CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_pszRegistryKey == nullptr)
    {
        ADD_FAILURE() << "no application with a registry key";
        return L"Software\\NoRegistryKey";  // never a key that holds anything
    }
    std::wstring path = std::wstring(L"Software\\") + pApp->m_pszRegistryKey + L"\\" + pApp->m_pszProfileName;
    if (section != nullptr)
        path += std::wstring(L"\\") + section;
    return path;
}

inline void DeleteProfile() { DeleteKey(ProfilePath()); }

inline bool ValueExists(LPCWSTR section, LPCWSTR name)
{
    DWORD type = 0;
    Bytes data;
    return GetValue(ProfilePath(section), name, type, data);
}

// True when the value is a DWORD; then *pValue (when given) holds it.
inline bool ReadDword(LPCWSTR section, LPCWSTR name, DWORD* pValue)
{
    DWORD type = 0;
    Bytes data;
    if (!GetValue(ProfilePath(section), name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return false;
    if (pValue != nullptr)
        memcpy(pValue, data.data(), sizeof(DWORD));
    return true;
}

// True when the value is a REG_SZ; then *pValue holds its text up to the
// first terminator.
inline bool ReadString(LPCWSTR section, LPCWSTR name, std::wstring* pValue)
{
    DWORD type = 0;
    Bytes data;
    if (!GetValue(ProfilePath(section), name, type, data) || type != REG_SZ)
        return false;
    std::wstring text(data.size() / sizeof(WCHAR), L'\0');
    if (!text.empty())
        memcpy(&text[0], data.data(), text.size() * sizeof(WCHAR));
    *pValue = text.substr(0, text.find(L'\0'));
    return true;
}

// The bytes of a binary value; empty when it is missing or of another type.
inline Bytes ReadBinary(LPCWSTR section, LPCWSTR name)
{
    DWORD type = 0;
    Bytes data;
    if (!GetValue(ProfilePath(section), name, type, data) || type != REG_BINARY)
        return {};
    return data;
}

}  // namespace regtest
