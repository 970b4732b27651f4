#include "app/PublicKeyStore.h"

#include "app/CBrinmoorApp.h"
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

    BYTE* pData = NULL;
    UINT nBytes = 0;
    if (!pApp->GetProfileBinary(L"Network", KeyValueName(), &pData, &nBytes))
        return TRUE;  // no key stored: no damage
    CByteArray blob;
    try
    {
        blob.SetSize(nBytes);
        if (nBytes != 0)
            memcpy(blob.GetData(), pData, nBytes);
    }
    catch (...)
    {
        delete[] pData;
        throw;
    }
    delete[] pData;

    CString strText;
    if (!DecodePassword(blob, strText))
        return FALSE;
    // Split at the first blank; a second blank ends the exponent's digits.
    if (!ParseRSAKeyText(strText, pApp->m_bnModulus, pApp->m_bnPrivateExponent))
        return FALSE;
    pApp->m_bKeyPresent = TRUE;
    return TRUE;
}
