// The settings load against the real registry of the test's own prefix: each
// case stores some values, loads, and checks every member the load sets.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RegistryTestUtil.h"
#include "app/CBrinmoorApp.h"
#include "app/PublicKeyStore.h"
#include "app/SettingsLoad.h"
#include "crypto/RSAKeyText.h"
#include "crypto/StoredSecret.h"
#include "net/CDestinationDataArray.h"

namespace {

using namespace regtest;

struct VALUE
{
    LPCWSTR section;
    LPCWSTR name;
    DWORD type;
    Bytes data;
};

VALUE Dword(LPCWSTR section, LPCWSTR name, DWORD v) { return {section, name, REG_DWORD, DwordBytes(v)}; }

VALUE Text(LPCWSTR section, LPCWSTR name, LPCWSTR text) { return {section, name, REG_SZ, SzBytes(text)}; }

VALUE Blob(LPCWSTR section, LPCWSTR name, const CByteArray& blob)
{
    return {section, name, REG_BINARY, Bytes(blob.GetData(), blob.GetData() + blob.GetSize())};
}

CByteArray& Encoded(LPCWSTR text, CByteArray& blob)
{
    EncodePassword(text, blob);
    return blob;
}

VALUE Secret(LPCWSTR name, LPCWSTR text)
{
    CByteArray blob;
    return Blob(L"Network", name, Encoded(text, blob));
}

// Encoded for another computer: the digest can't match here.
VALUE ForeignSecret(LPCWSTR name, LPCWSTR text)
{
    CByteArray blob;
    EncodePasswordWithSeed(text, blob, GetMachineSeed() ^ 0x5A5A5A5Au);
    return Blob(L"Network", name, blob);
}

const wchar_t kKeyText[] = L"c0ffee11 00000003";

// One byte over what the framework reads of a value.
const size_t kOverReadLimit = 16u * 1024 * 1024 + 1;

struct EXPECTED
{
    BOOL bSettingInitialized = FALSE;
    std::wstring password;
    int nPort = 60125;
    int nServer = 2;
    int nRSAMode = 0;
    BOOL bKeyPresent = FALSE;
    std::wstring modulusHex, exponentHex;  // checked when the key is present
    INT_PTR nDestinations = 0;
    int nOnStart = 0;
    BOOL bShowBalloonOnClose = TRUE;
    std::vector<std::wstring> formats = {
        L"HTML Format", L"Rich Text Format", L"XML Spreadsheet", L"Art::GVML ClipFormat", L"GIF", L"JFIF", L"PNG"};
    BOOL bDelay = TRUE;
    int nNoDelayText = 4;
    BOOL bPasswordDamaged = FALSE;
    BOOL bKeyDamaged = FALSE;
};

struct CASE
{
    const char* what;
    std::vector<VALUE> stored;
    std::function<void(EXPECTED&)> expect;
};

std::vector<CASE> Cases()
{
    return {
        {"nothing stored: every default", {}, [](EXPECTED&) {}},
        {"every plain value stored",
         {Dword(L"Network", L"SettingInitialized", 1), Dword(L"Network", L"Port", 1234),
          Dword(L"Network", L"Server", 0), Dword(L"Settings", L"OnStart", 2),
          Dword(L"Settings", L"ShowBalloonOnClose", 0), Dword(L"Settings", L"Delay", 0),
          Dword(L"Settings", L"NoDelayText", 16), Text(L"Settings", L"Formats3", L"\"PNG\",GIF"),
          Text(L"Network", L"Destination", L"1,\"alpha\",60125,0;0,\"beta\",60126,0")},
         [](EXPECTED& e) {
             e.bSettingInitialized = TRUE;
             e.nPort = 1234;
             e.nServer = 0;
             e.nOnStart = 2;
             e.bShowBalloonOnClose = FALSE;
             e.bDelay = FALSE;
             e.nNoDelayText = 16;
             e.formats = {L"PNG", L"GIF"};
             e.nDestinations = 2;
         }},
        {"any non-zero SettingInitialized counts as set",
         {Dword(L"Network", L"SettingInitialized", 7)},
         [](EXPECTED& e) { e.bSettingInitialized = TRUE; }},
        {"values are taken without range checks",
         {Dword(L"Network", L"Port", 0xFFFFFFFF), Dword(L"Settings", L"OnStart", 9),
          Dword(L"Settings", L"NoDelayText", 0xFFFFFFFF)},
         [](EXPECTED& e) {
             e.nPort = -1;
             e.nOnStart = 9;
             e.nNoDelayText = -1;
         }},
        {"a stored password is decoded", {Secret(L"Password", L"secret")}, [](EXPECTED& e) { e.password = L"secret"; }},
        {"a stored empty password is no damage", {Secret(L"Password", L"")}, [](EXPECTED&) {}},
        {"a password from another computer is damaged and stays empty",
         {ForeignSecret(L"Password", L"secret")},
         [](EXPECTED& e) { e.bPasswordDamaged = TRUE; }},
        {"a password blob shorter than 64 bytes is damaged",
         {{L"Network", L"Password", REG_BINARY, Bytes(63, 0)}},
         [](EXPECTED& e) { e.bPasswordDamaged = TRUE; }},
        // Another type, or a size over the framework's read limit: a value
        // that is there but can't be read is damage, never an absent one.
        {"a password stored as text is damaged",
         {Text(L"Network", L"Password", L"secret")},
         [](EXPECTED& e) { e.bPasswordDamaged = TRUE; }},
        {"a password stored as a DWORD is damaged",
         {Dword(L"Network", L"Password", 1)},
         [](EXPECTED& e) { e.bPasswordDamaged = TRUE; }},
        {"a password over the read limit is damaged",
         {{L"Network", L"Password", REG_BINARY, Bytes(kOverReadLimit, 0x41)}},
         [](EXPECTED& e) { e.bPasswordDamaged = TRUE; }},
        {"RSA on with a key stored as text: damaged",
         {Dword(L"Network", L"RSA", 1), Text(L"Network", L"PublicKey1280", kKeyText)},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"RSA on with a key over the read limit: damaged",
         {Dword(L"Network", L"RSA", 1), {L"Network", L"PublicKey1280", REG_BINARY, Bytes(kOverReadLimit, 0x41)}},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"RSA off with a key stored as text: no damage, no key",
         {Text(L"Network", L"PublicKey1280", kKeyText)},
         [](EXPECTED&) {}},
        {"RSA on without a key: damaged, RSA off",
         {Dword(L"Network", L"RSA", 1)},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"RSA on with a key: the key is held",
         {Dword(L"Network", L"RSA", 1), Secret(L"PublicKey1280", kKeyText)},
         [](EXPECTED& e) {
             e.nRSAMode = 1;
             e.bKeyPresent = TRUE;
             e.modulusHex = L"c0ffee11";
             e.exponentHex = L"00000003";
         }},
        {"RSA off with a key: the key is held all the same",
         {Secret(L"PublicKey1280", kKeyText)},
         [](EXPECTED& e) {
             e.bKeyPresent = TRUE;
             e.modulusHex = L"c0ffee11";
             e.exponentHex = L"00000003";
         }},
        {"RSA off with an unreadable key: no damage, no key",
         {ForeignSecret(L"PublicKey1280", kKeyText)},
         [](EXPECTED&) {}},
        {"RSA on with an unreadable key: damaged",
         {Dword(L"Network", L"RSA", 1), ForeignSecret(L"PublicKey1280", kKeyText)},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"a key text starting with its blank is unreadable",
         {Dword(L"Network", L"RSA", 1), Secret(L"PublicKey1280", L" 0123")},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"a key text ending with its blank is unreadable",
         {Dword(L"Network", L"RSA", 1), Secret(L"PublicKey1280", L"0123 ")},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"a key text without a blank is unreadable",
         {Dword(L"Network", L"RSA", 1), Secret(L"PublicKey1280", L"0123")},
         [](EXPECTED& e) { e.bKeyDamaged = TRUE; }},
        {"a second blank ends the exponent's digits",
         {Dword(L"Network", L"RSA", 1), Secret(L"PublicKey1280", L"0000000f 00000011 ff")},
         [](EXPECTED& e) {
             e.nRSAMode = 1;
             e.bKeyPresent = TRUE;
             e.modulusHex = L"0000000f";
             e.exponentHex = L"00000011";
         }},
        {"RSA outside 0..1 loads as 0 and is no damage", {Dword(L"Network", L"RSA", 3)}, [](EXPECTED&) {}},
        {"password and key damaged together",
         {Dword(L"Network", L"RSA", 1), ForeignSecret(L"Password", L"x")},
         [](EXPECTED& e) {
             e.bPasswordDamaged = TRUE;
             e.bKeyDamaged = TRUE;
         }},
        {"an empty Formats3 is an empty send list",
         {Text(L"Settings", L"Formats3", L"")},
         [](EXPECTED& e) { e.formats.clear(); }},
        {"a quoted name keeps its comma; empty pieces and duplicates stay",
         {Text(L"Settings", L"Formats3", L"\"a,b\", c ,,\"a,b\",\"say \"\"hi\"\"\"")},
         [](EXPECTED& e) {
             e.formats = {L"a,b", L"c", L"", L"a,b", L"say \"hi\""};
         }},
    };
}

class SettingsLoad : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { theApp.SetRegistryKey(L"Tamberlow"); }
    void TearDown() override { DeleteProfile(); }
};

TEST_F(SettingsLoad, MembersFromTheRegistry)
{
    for (const CASE& c : Cases())
    {
        SCOPED_TRACE(c.what);
        DeleteProfile();
        for (const VALUE& v : c.stored)
            SetValue(ProfilePath(v.section), v.name, v.type, v.data);
        EXPECTED e;
        c.expect(e);

        // Leftovers of the previous case must not pass for loaded values (the
        // password starts empty, as at start-up).
        theApp.m_bKeyPresent = TRUE;
        theApp.m_arrSendFormats.RemoveAll();
        theApp.m_arrSendFormats.Add(L"left over");
        BOOL bPasswordDamaged = 99, bKeyDamaged = 99;
        theApp.m_strPassword.Empty();
        LoadSettings(&theApp, bPasswordDamaged, bKeyDamaged);

        EXPECT_EQ(e.bPasswordDamaged, bPasswordDamaged);
        EXPECT_EQ(e.bKeyDamaged, bKeyDamaged);
        EXPECT_EQ(e.bSettingInitialized, theApp.m_bSettingInitialized);
        EXPECT_STREQ(e.password.c_str(), theApp.m_strPassword.GetString());
        EXPECT_EQ(e.nPort, theApp.m_nPort);
        EXPECT_EQ(e.nServer, theApp.m_nServer);
        EXPECT_EQ(e.nRSAMode, theApp.m_nRSAMode);
        EXPECT_EQ(e.bKeyPresent, theApp.m_bKeyPresent);
        if (e.bKeyPresent && theApp.m_bKeyPresent)
        {
            EXPECT_STREQ(e.modulusHex.c_str(), theApp.m_bnModulus.ToHexString().GetString());
            EXPECT_STREQ(e.exponentHex.c_str(), theApp.m_bnPrivateExponent.ToHexString().GetString());
        }
        ASSERT_NE(nullptr, theApp.m_pDestinations);
        EXPECT_EQ(e.nDestinations, theApp.m_pDestinations->m_arrDestinations.GetSize());
        EXPECT_EQ(e.nOnStart, theApp.m_nOnStart);
        EXPECT_EQ(e.bShowBalloonOnClose, theApp.m_bShowBalloonOnClose);
        EXPECT_EQ(e.bDelay, theApp.m_bDelay);
        EXPECT_EQ(e.nNoDelayText, theApp.m_nNoDelayText);
        std::vector<std::wstring> formats;
        for (INT_PTR i = 0; i < theApp.m_arrSendFormats.GetSize(); ++i)
            formats.push_back(theApp.m_arrSendFormats[i].GetString());
        EXPECT_TRUE(e.formats == formats) << "send list of " << formats.size() << " names";
    }
}

TEST_F(SettingsLoad, DamagedKeyLeavesTheStoredRSASetting)
{
    SetValue(ProfilePath(L"Network"), L"RSA", REG_DWORD, DwordBytes(1));
    BOOL bPasswordDamaged, bKeyDamaged;
    LoadSettings(&theApp, bPasswordDamaged, bKeyDamaged);
    EXPECT_TRUE(bKeyDamaged);
    EXPECT_EQ(0, theApp.m_nRSAMode);
    EXPECT_EQ(1u, theApp.GetProfileInt(L"Network", L"RSA", 0));
}

TEST_F(SettingsLoad, SavedKeyLoadsBack)
{
    CBigNum modulus, exponent;
    modulus.FromString(L"0x123456789abcdef0123456789");
    exponent.FromString(L"0x10001");
    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        theApp.m_bnModulus.Copy(modulus);
        theApp.m_bnPrivateExponent.Copy(exponent);
        theApp.m_bKeyPresent = TRUE;
        SavePublicKey(&theApp);
    }

    // Stored as the codec's blob over "<modulus> <exponent>".
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    ASSERT_TRUE(theApp.GetProfileBinary(L"Network", L"PublicKey1280", &pData, &nBytes));
    CByteArray blob;
    blob.SetSize(nBytes);
    memcpy(blob.GetData(), pData, nBytes);
    delete[] pData;
    CString text;
    ASSERT_TRUE(DecodePassword(blob, text));
    EXPECT_STREQ((modulus.ToHexString() + L" " + exponent.ToHexString()).GetString(), text.GetString());

    theApp.m_bnModulus.SetZero();
    theApp.m_bnPrivateExponent.SetZero();
    theApp.m_bKeyPresent = FALSE;
    ASSERT_TRUE(LoadPublicKey(&theApp));
    EXPECT_TRUE(theApp.m_bKeyPresent);
    EXPECT_EQ(0, CBigNum::Compare(modulus, theApp.m_bnModulus));
    EXPECT_EQ(0, CBigNum::Compare(exponent, theApp.m_bnPrivateExponent));
}

// An unreadable key is FALSE (damage when RSA is on), an absent one TRUE.
TEST_F(SettingsLoad, KeyOfAnotherTypeOrOverTheReadLimitIsUnreadable)
{
    const struct
    {
        const char* what;
        bool bStored;
        VALUE value;
        BOOL bLoaded;
    } cases[] = {
        {"absent", false, {}, TRUE},
        {"text", true, Text(L"Network", L"PublicKey1280", kKeyText), FALSE},
        {"a DWORD", true, Dword(L"Network", L"PublicKey1280", 1), FALSE},
        {"over the read limit", true, {L"Network", L"PublicKey1280", REG_BINARY, Bytes(kOverReadLimit, 0x41)}, FALSE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DeleteProfile();
        if (c.bStored)
            SetValue(ProfilePath(c.value.section), c.value.name, c.value.type, c.value.data);
        theApp.m_bKeyPresent = TRUE;
        EXPECT_EQ(c.bLoaded, LoadPublicKey(&theApp));
        EXPECT_FALSE(theApp.m_bKeyPresent);
    }
}

TEST(DamagedSettingsMessage, ListsEachDamagedSetting)
{
    const CString head = L"以下の設定が破損しています。お手数ですが再設定してください。";
    EXPECT_STREQ((head + L"\r\n・パスワード").GetString(), DamagedSettingsMessage(TRUE, FALSE).GetString());
    EXPECT_STREQ((head + L"\r\n・RSA暗号化").GetString(), DamagedSettingsMessage(FALSE, TRUE).GetString());
    EXPECT_STREQ((head + L"\r\n・パスワード\r\n・RSA暗号化").GetString(),
                 DamagedSettingsMessage(TRUE, TRUE).GetString());
}

}  // namespace
