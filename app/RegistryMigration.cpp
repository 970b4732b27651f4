#include "app/RegistryMigration.h"

#include <vector>

namespace {

const DWORD kMaxCopiedValueBytes = 1048576;  // larger values stay behind
const DWORD kValueNameChars = 32767;

}  // namespace

BOOL CopyRegistryValues(LPCWSTR pszExclusion, HKEY hDestRoot, HKEY hSourceRoot,
                        const CString& strSection)
{
    HKEY hSource = NULL;
    if (RegOpenKeyExW(hSourceRoot, strSection, 0, KEY_READ, &hSource) != ERROR_SUCCESS)
        return FALSE;
    HKEY hDest = NULL;
    if (RegCreateKeyExW(hDestRoot, strSection, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &hDest, NULL) != ERROR_SUCCESS)
    {
        RegCloseKey(hSource);
        return FALSE;
    }

    BOOL bResult = TRUE;
    std::vector<BYTE> data(kMaxCopiedValueBytes);
    std::vector<wchar_t> name(kValueNameChars + 1);
    for (DWORD nIndex = 0;; ++nIndex)
    {
        DWORD cchName = kValueNameChars;
        DWORD cbData = kMaxCopiedValueBytes;
        DWORD dwType = 0;
        LONG r = RegEnumValueW(hSource, nIndex, name.data(), &cchName, NULL, &dwType, data.data(),
                               &cbData);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r == ERROR_MORE_DATA)
        {
            // Too large (or a name too long): this value stays behind, the
            // next ones are still copied.
            bResult = FALSE;
            continue;
        }
        if (r != ERROR_SUCCESS)
        {
            // Not about one value (the key went away, access was refused):
            // every further index would fail the same way, so stop here
            // rather than loop for ever.
            bResult = FALSE;
            break;
        }
        if (pszExclusion != NULL && wcsstr(pszExclusion, name.data()) != NULL)
            continue;
        RegSetValueExW(hDest, name.data(), 0, dwType, data.data(), cbData);
    }

    RegCloseKey(hDest);
    RegCloseKey(hSource);
    return bResult;
}

PRODUCTKEYRESULT CreateProductKey()
{
    HKEY hProduct = NULL;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, PRODUCT_KEY_PATH, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &hProduct, &dwDisposition) != ERROR_SUCCESS)
        return PRODUCT_KEY_FAILED;

    PRODUCTKEYRESULT result = PRODUCT_KEY_EXISTED;
    if (dwDisposition == REG_CREATED_NEW_KEY)
    {
        result = PRODUCT_KEY_CREATED;
        HKEY hPrevious = NULL;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, PREVIOUS_PRODUCT_KEY_PATH, 0, KEY_READ, &hPrevious) ==
            ERROR_SUCCESS)
        {
            // Failures leave single values behind; nothing to tell the user.
            CopyRegistryValues(NULL, hProduct, hPrevious, L"Frame");
            CopyRegistryValues(L"SettingInitialized", hProduct, hPrevious, L"Network");
            CopyRegistryValues(NULL, hProduct, hPrevious, L"Settings");
            RegCloseKey(hPrevious);
            result = PRODUCT_KEY_MIGRATED;
        }
    }
    RegCloseKey(hProduct);
    return result;
}
