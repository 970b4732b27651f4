#include "app/RegistryMigration.h"
#include "app/SettingNames.h"

#include <vector>

#include "afx/CRegistryKey.h"

namespace {

const DWORD kMaxCopiedValueBytes = 1048576;  // larger values stay behind
const DWORD kValueNameChars = 32767;

}  // namespace

BOOL CopyRegistryValues(LPCWSTR pszExclusion, HKEY hDestRoot, HKEY hSourceRoot, const CString& strSection)
{
    CRegistryKey source;
    if (source.Open(hSourceRoot, strSection, KEY_READ) != ERROR_SUCCESS)
        return FALSE;
    CRegistryKey dest;
    if (dest.Create(hDestRoot, strSection, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return FALSE;

    BOOL bResult = TRUE;
    std::vector<BYTE> data(kMaxCopiedValueBytes);
    std::vector<wchar_t> name(kValueNameChars + 1);
    for (DWORD nIndex = 0;; ++nIndex)
    {
        DWORD cchName = kValueNameChars;
        DWORD cbData = kMaxCopiedValueBytes;
        DWORD dwType = 0;
        LONG r = RegEnumValueW(source, nIndex, name.data(), &cchName, nullptr, &dwType, data.data(), &cbData);
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
        if (pszExclusion != nullptr && wcsstr(pszExclusion, name.data()) != nullptr)
            continue;
        RegSetValueExW(dest, name.data(), 0, dwType, data.data(), cbData);
    }
    return bResult;
}

PRODUCTKEYRESULT CreateProductKey()
{
    CRegistryKey product;
    DWORD dwDisposition = 0;
    if (product.Create(HKEY_CURRENT_USER, PRODUCT_KEY_PATH, KEY_ALL_ACCESS, &dwDisposition) != ERROR_SUCCESS)
        return PRODUCT_KEY_FAILED;

    PRODUCTKEYRESULT result = PRODUCT_KEY_EXISTED;
    if (dwDisposition == REG_CREATED_NEW_KEY)
    {
        result = PRODUCT_KEY_CREATED;
        CRegistryKey previous;
        if (previous.Open(HKEY_CURRENT_USER, PREVIOUS_PRODUCT_KEY_PATH, KEY_READ) == ERROR_SUCCESS)
        {
            // Failures leave single values behind; nothing to tell the user.
            CopyRegistryValues(nullptr, product, previous, L"Frame");
            CopyRegistryValues(kEntrySettingInitialized, product, previous, kSectionNetwork);
            CopyRegistryValues(nullptr, product, previous, kSectionSettings);
            result = PRODUCT_KEY_MIGRATED;
        }
    }
    return result;
}
