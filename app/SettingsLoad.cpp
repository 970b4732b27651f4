#include "app/SettingsLoad.h"

#include "afx/CRegistryKey.h"

#include "app/CBrinmoorApp.h"
#include "app/PublicKeyStore.h"
#include "app/QuotedList.h"
#include "app/SettingNames.h"
#include "crypto/StoredSecret.h"
#include "net/CDestinationDataArray.h"

namespace {

BOOL ProfileValueExists(CBrinmoorApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry)
{
    CRegistryKey key(pApp->GetSectionKey(pszSection, FALSE));
    if (key == nullptr)
        return FALSE;
    return ::RegQueryValueExW(key, pszEntry, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

PROFILE_BYTES ReadProfileBytes(CBrinmoorApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, CByteArray& bytes)
{
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    if (!pApp->GetProfileBinary(pszSection, pszEntry, &pData, &nBytes))
        return ProfileValueExists(pApp, pszSection, pszEntry) ? PROFILE_BYTES_UNREADABLE : PROFILE_BYTES_ABSENT;
    try
    {
        bytes.SetSize(nBytes);
        if (nBytes != 0)
            memcpy(bytes.GetData(), pData, nBytes);
    }
    catch (...)
    {
        delete[] pData;
        throw;
    }
    delete[] pData;
    return PROFILE_BYTES_READ;
}

void LoadReceiveServerSettings(CBrinmoorApp* pApp)
{
    pApp->m_nPort = static_cast<int>(pApp->GetProfileInt(kSectionNetwork, kEntryPort, kDefaultPort));
    pApp->m_nServer = static_cast<int>(pApp->GetProfileInt(kSectionNetwork, kEntryServer, kDefaultServer));
}

void LoadSettings(CBrinmoorApp* pApp, BOOL& bPasswordDamaged, BOOL& bKeyDamaged)
{
    bPasswordDamaged = FALSE;
    bKeyDamaged = FALSE;

    pApp->m_bSettingInitialized =
        pApp->GetProfileInt(kSectionNetwork, kEntrySettingInitialized, kDefaultSettingInitialized) != 0;

    {
        CByteArray blob;
        PROFILE_BYTES nFound = ReadProfileBytes(pApp, kSectionNetwork, kEntryPassword, blob);
        if (nFound != PROFILE_BYTES_ABSENT)
        {
            CString strPassword;
            CSingleLock lock(&pApp->m_mutexPassword, TRUE);
            if (nFound == PROFILE_BYTES_READ && DecodePassword(blob, strPassword))
                pApp->m_strPassword = strPassword;
            else
                bPasswordDamaged = TRUE;
        }
    }

    LoadReceiveServerSettings(pApp);

    {
        CSingleLock lock(&pApp->m_mutexKey, TRUE);
        int nRSAMode = static_cast<int>(pApp->GetProfileInt(kSectionNetwork, kEntryRSA, kDefaultRSA));
        pApp->m_nRSAMode = (nRSAMode < 0 || nRSAMode > 1) ? 0 : nRSAMode;
        if (!LoadPublicKey(pApp) || !pApp->m_bKeyPresent)
        {
            // Only RSA on makes a missing or unreadable key damage; the
            // stored "RSA" is left for the user to set again.
            if (pApp->m_nRSAMode == 1)
            {
                bKeyDamaged = TRUE;
                pApp->m_nRSAMode = 0;
            }
        }
    }

    CString strDestinations = pApp->GetProfileString(kSectionNetwork, kEntryDestination, kDefaultDestination);
    CDestinationDataArray* pDestinations = CDestinationDataArray::FromString(strDestinations);
    delete pApp->m_pDestinations;
    pApp->m_pDestinations = pDestinations;

    pApp->m_nOnStart = static_cast<int>(pApp->GetProfileInt(kSectionSettings, kEntryOnStart, kDefaultOnStart));
    pApp->m_bShowBalloonOnClose =
        static_cast<BOOL>(pApp->GetProfileInt(kSectionSettings, kEntryShowBalloonOnClose, kDefaultShowBalloonOnClose));

    {
        CString strFormats = pApp->GetProfileString(kSectionSettings, kEntryFormats3, kDefaultFormats3);
        CStringArray arrPieces;
        SplitQuotedList(strFormats, L",", arrPieces);
        CSingleLock lock(&pApp->m_mutexSendFormats, TRUE);
        pApp->m_arrSendFormats.RemoveAll();
        for (INT_PTR i = 0; i < arrPieces.GetSize(); ++i)
            pApp->m_arrSendFormats.Add(UnquoteString(arrPieces[i]));
    }

    pApp->m_bDelay = static_cast<BOOL>(pApp->GetProfileInt(kSectionSettings, kEntryDelay, kDefaultDelay));
    pApp->m_nNoDelayText =
        static_cast<int>(pApp->GetProfileInt(kSectionSettings, kEntryNoDelayText, kDefaultNoDelayText));
}

CString DamagedSettingsMessage(BOOL bPasswordDamaged, BOOL bKeyDamaged)
{
    CString strText = L"以下の設定が破損しています。お手数ですが再設定してください。";
    if (bPasswordDamaged)
        strText += L"\r\n・パスワード";
    if (bKeyDamaged)
        strText += L"\r\n・RSA暗号化";
    return strText;
}
