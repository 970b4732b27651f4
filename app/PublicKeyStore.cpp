#include "app/PublicKeyStore.h"

#include "app/CBrinmoorApp.h"
#include "app/SettingNames.h"
#include "app/SettingsLoad.h"
#include "crypto/RSAKeyText.h"
#include "crypto/StoredSecret.h"

void SavePublicKey(CBrinmoorApp* pApp)
{
    CString strText = FormatRSAKeyText(pApp->m_bnModulus, pApp->m_bnPrivateExponent);
    CByteArray blob;
    EncodePassword(strText, blob);
    pApp->WriteProfileBinary(kSectionNetwork, kEntryPublicKey, blob.GetData(), static_cast<UINT>(blob.GetSize()));
}

BOOL LoadPublicKey(CBrinmoorApp* pApp)
{
    CSingleLock lock(&pApp->m_mutexKey, TRUE);
    pApp->m_bKeyPresent = FALSE;

    CByteArray blob;
    PROFILE_BYTES nFound = ReadProfileBytes(pApp, kSectionNetwork, kEntryPublicKey, blob);
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
