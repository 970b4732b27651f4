#include "app/PublicKeyStore.h"

#include "app/CBrinmoorApp.h"
#include "app/SettingsLoad.h"
#include "crypto/RSAKeyText.h"
#include "crypto/StoredSecret.h"

namespace {

const int kKeyBits = 1280;

CString KeyValueName()
{
    CString strName;
    strName.Format(L"PublicKey%d", kKeyBits);
    return strName;
}

}  // namespace

void SavePublicKey(CBrinmoorApp* pApp)
{
    CString strText = FormatRSAKeyText(pApp->m_bnModulus, pApp->m_bnPrivateExponent);
    CByteArray blob;
    EncodePassword(strText, blob);
    pApp->WriteProfileBinary(L"Network", KeyValueName(), blob.GetData(),
                             static_cast<UINT>(blob.GetSize()));
}

BOOL LoadPublicKey(CBrinmoorApp* pApp)
{
    CSingleLock lock(&pApp->m_mutexKey, TRUE);
    pApp->m_bKeyPresent = FALSE;

    CByteArray blob;
    PROFILE_BYTES nFound = ReadProfileBytes(pApp, L"Network", KeyValueName(), blob);
    if (nFound == PROFILE_BYTES_ABSENT)
        return TRUE;  // no key stored: no damage
    if (nFound == PROFILE_BYTES_UNREADABLE)
        return FALSE;

    CString strText;
    if (!DecodePassword(blob, strText))
        return FALSE;
    // Split at the first blank; a second blank ends the exponent's digits.
    if (!ParseRSAKeyText(strText, pApp->m_bnModulus, pApp->m_bnPrivateExponent))
        return FALSE;
    pApp->m_bKeyPresent = TRUE;
    return TRUE;
}
