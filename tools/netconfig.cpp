// netconfig: writes the network settings of this computer's program into its
// registry, the secrets through the program's own codec, for tests and people.
//
//   netconfig [--port N] [--destination TEXT] [--password TEXT] [--rsa 0|1]
//             [--testkey] [--delay 0|1] [--nodelaytext KB] [--onstart N]
//
// Always stores SettingInitialized = 1, so the program starts without its
// first-run settings sheet. --testkey stores a fixed 1280-bit test key (not
// secret: it is printed here) as "PublicKey1280". --destination is the
// "Destination" text: records "enabled,\"name\",port,protocol" joined by ";".
// Exit code 0 on success, 1 when a value can't be written, 2 on a usage error.

#include "afx/Afx.h"
#include "afx/CRegistryKey.h"
#include "app/RegistryMigration.h"
#include "app/SettingNames.h"
#include "crypto/CBigNum.h"
#include "crypto/RSAKeyText.h"
#include "crypto/StoredSecret.h"
#include <stdio.h>

namespace {

const wchar_t* const TEST_MODULUS =
    L"0xd9bd9f99124c9e9f496c4b9f2cb414d9ff8381693a46bb78a0dbbda8b024c8e4dda2a6cf822b29192a0858b6f5741c01f9ca5a893a091fa"
    L"64f93dc17309389a17adbb1e7724c9657af103d21007e7ac129aaf4becd57569098d0b02a81636e0b797d1294de7ba296f616aa5963f3b774"
    L"d577cd101187669bc54d7c04a0cd59ab1a26658d68281a126da073eec8433d8c0e39e02c60eb0f944db4232469af2117";
const wchar_t* const TEST_PRIVATE_EXPONENT =
    L"0x4af9360918f9f4ec57f5c81c28e26103a72d7ad3e6d3101e3b152ebaf4dbd5a8a88026fbf09037f8883693857c02dcd9f94ea9d9f277cdc"
    L"41046935410cfdc6613cdadf649af015d73d41d984d793f7ebc8c92572b73b9e34c51ef44c464d74c98d1f20cf8bb3ec8056821daa3e7eaf2"
    L"c01ddc19ddb0e040669bf674079b996cbd960ac17fdd48125e84174e1ace2b69487641f1d0db3dcafc09b03609596c01";

bool Write(const wchar_t* pszSection, const wchar_t* pszName, DWORD nType, const void* pData, DWORD nBytes)
{
    CString strKey = CString(PRODUCT_KEY_PATH) + L"\\" + pszSection;
    CRegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, strKey, KEY_SET_VALUE) != ERROR_SUCCESS)
        return false;
    LONG n = ::RegSetValueExW(key, pszName, 0, nType, static_cast<const BYTE*>(pData), nBytes);
    if (n != ERROR_SUCCESS)
        fwprintf(stderr, L"netconfig: can't write %ls\\%ls\n", pszSection, pszName);
    return n == ERROR_SUCCESS;
}

bool WriteInt(const wchar_t* pszSection, const wchar_t* pszName, DWORD nValue)
{
    return Write(pszSection, pszName, REG_DWORD, &nValue, sizeof(nValue));
}

bool WriteSecret(const wchar_t* pszName, const CString& strText)
{
    CByteArray blob;
    EncodePassword(strText, blob);
    return Write(kSectionNetwork, pszName, REG_BINARY, blob.GetData(), DWORD(blob.GetSize()));
}

int Usage()
{
    fwprintf(stderr, L"usage: netconfig [--port N] [--destination TEXT] [--password TEXT] [--rsa 0|1]\n"
                     L"                 [--testkey] [--delay 0|1] [--nodelaytext KB] [--onstart N]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    bool bOk = WriteInt(kSectionNetwork, kEntrySettingInitialized, 1);
    for (int i = 1; i < argc; ++i)
    {
        CString strOption = argv[i];
        if (strOption == L"--testkey")
        {
            CBigNum n, d;
            n.FromString(TEST_MODULUS);
            d.FromString(TEST_PRIVATE_EXPONENT);
            bOk = WriteSecret(kEntryPublicKey, FormatRSAKeyText(n, d)) && bOk;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        const wchar_t* pszValue = argv[++i];
        if (strOption == L"--port")
            bOk = WriteInt(kSectionNetwork, kEntryPort, DWORD(_wtol(pszValue))) && bOk;
        else if (strOption == L"--rsa")
            bOk = WriteInt(kSectionNetwork, kEntryRSA, DWORD(_wtol(pszValue))) && bOk;
        else if (strOption == L"--password")
            bOk = WriteSecret(kEntryPassword, pszValue) && bOk;
        else if (strOption == L"--destination")
            bOk = Write(kSectionNetwork, kEntryDestination, REG_SZ, pszValue, DWORD((wcslen(pszValue) + 1) * 2)) && bOk;
        else if (strOption == L"--delay")
            bOk = WriteInt(kSectionSettings, kEntryDelay, DWORD(_wtol(pszValue))) && bOk;
        else if (strOption == L"--nodelaytext")
            bOk = WriteInt(kSectionSettings, kEntryNoDelayText, DWORD(_wtol(pszValue))) && bOk;
        else if (strOption == L"--onstart")
            bOk = WriteInt(kSectionSettings, kEntryOnStart, DWORD(_wtol(pszValue))) && bOk;
        else
            return Usage();
    }
    return bOk ? 0 : 1;
}
