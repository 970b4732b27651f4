// Key generation: the progress texts, a real run that stores a key, and a
// cancelled run that leaves the old key.

#include "UiTestUtil.h"

#include <math.h>

#include <memory>

#include "app/PublicKeyStore.h"
#include "ui/CGeneratingRSAKeyDialog.h"
#include "crypto/SecureRandom.h"
#include "res/SettingsResource.h"
#include "ui/CNetworkDialog.h"

using namespace uitest;

namespace {

class CGeneratingRSAKeyDialogTest : public UiTest
{};

std::wstring Nines(int k) { return std::wstring(k, L'9'); }

TEST(CGeneratingRSAKeyDialogText, CandidateTextShowsTheProbabilityBound)
{
    struct
    {
        LONG rounds;
        LONG candidates;
        std::wstring text;
    } cases[] = {
        {0, 0, L"0番目の候補"},
        {0, 12, L"12番目の候補"},
        {1, 12, L"12番目の候補 素数である確率75%以上"},
        {2, 1, L"1番目の候補 素数である確率93%以上"},
        {3, 1, L"1番目の候補 素数である確率98%以上"},
        {4, 1, L"1番目の候補 素数である確率99%以上"},
        {5, 1, L"1番目の候補 素数である確率99.9%以上"},
        {6, 1, L"1番目の候補 素数である確率99.9%以上"},
        {7, 1, L"1番目の候補 素数である確率99.99%以上"},
        {8, 1, L"1番目の候補 素数である確率99.99%以上"},
        {9, 1, L"1番目の候補 素数である確率99.999%以上"},
        {100, 300, L"300番目の候補 素数である確率99." + Nines(58) + L"%以上"},
    };
    for (const auto& c : cases)
    {
        CString text = CGeneratingRSAKeyDialog::FormatCandidateText(c.rounds, c.candidates);
        EXPECT_EQ(c.text, std::wstring(text.GetString())) << "rounds " << c.rounds;
    }
}

TEST_F(CGeneratingRSAKeyDialogTest, RealRunStoresAKeyAndEndsWithOk)
{
    theApp.m_bKeyPresent = FALSE;
    std::wstring status, button, elapsed1, elapsed2, publicKeys, privateKeys, search1;
    bool noteHidden = false, okIgnored = false;
    DWORD t0 = GetTickCount(), tFinished = 0;
    Script script(120000);
    script.Then([&]() {
        HWND d = FindTopWindow(L"Varnel");
        if (d == nullptr || ItemText(d, IDCANCEL) != L"OK")
            return false;
        tFinished = GetTickCount();
        status = ItemText(d, IDC_KEYGEN_STATUS);
        noteHidden = !IsWindowVisible(GetDlgItem(d, IDC_KEYGEN_NOTE));
        publicKeys = ItemText(d, IDC_KEYGEN_PUBLIC_KEYS);
        privateKeys = ItemText(d, IDC_KEYGEN_PRIVATE_KEYS);
        search1 = ItemText(d, IDC_KEYGEN_SEARCH1);
        elapsed1 = ItemText(d, IDC_KEYGEN_ELAPSED);
        Notify(d, IDOK, BN_CLICKED);  // does nothing
        okIgnored = FindTopWindow(L"Varnel") == d;
        return true;
    });
    script.Then([&]() {
        if (GetTickCount() - tFinished < 300)
            return false;  // the elapsed time stays frozen
        HWND d = FindTopWindow(L"Varnel");
        elapsed2 = ItemText(d, IDC_KEYGEN_ELAPSED);
        button = ItemText(d, IDCANCEL);
        Notify(d, IDCANCEL, BN_CLICKED);
        return true;
    });
    script.Start();
    EXPECT_TRUE(RunRSAKeyGeneration());
    EXPECT_TRUE(script.Done());
    printf("key generation took %lu ms\n", (unsigned long)(tFinished - t0));
    EXPECT_EQ(L"RSA鍵の生成が完了しました。", status);
    EXPECT_TRUE(noteHidden);
    EXPECT_TRUE(okIgnored);
    EXPECT_EQ(L"OK", button);
    EXPECT_EQ(L"1 / 1", publicKeys);
    EXPECT_EQ(L"1 / 1", privateKeys);
    EXPECT_NE(std::wstring::npos, search1.find(L"素数である確率99.")) << std::string(search1.begin(), search1.end());
    EXPECT_EQ(elapsed1, elapsed2);
    EXPECT_NE(std::wstring::npos, elapsed1.find(L" sec"));

    // The key: a 1280-bit modulus, and d inverts 65537 (checked by a round trip).
    CSingleLock lock(&theApp.m_mutexKey, TRUE);
    ASSERT_TRUE(theApp.m_bKeyPresent);
    EXPECT_EQ(1280, theApp.m_bnModulus.BitLength());
    CBigNum m, c, back, e;
    m.SetWord(0x12345678);
    e.SetWord(65537);
    ASSERT_TRUE(CBigNum::PowMod(c, m, e, theApp.m_bnModulus));
    ASSERT_TRUE(CBigNum::PowMod(back, c, theApp.m_bnPrivateExponent, theApp.m_bnModulus));
    EXPECT_EQ(0, CBigNum::Compare(m, back));
    EXPECT_TRUE(ValueExists(L"Network", L"PublicKey1280"));
    // What was stored loads back as the same key.
    CBigNum n;
    n.Copy(theApp.m_bnModulus);
    theApp.m_bKeyPresent = FALSE;
    EXPECT_TRUE(LoadPublicKey(&theApp));
    EXPECT_TRUE(theApp.m_bKeyPresent);
    EXPECT_EQ(0, CBigNum::Compare(n, theApp.m_bnModulus));
}

// A script step for a run that should not finish: if it does, its finished
// dialog waits for OK; press it so that the test ends (and fails on its
// checks) instead of timing out.
bool EndIfFinished()
{
    HWND d = FindTopWindow(L"Varnel");
    if (d == nullptr)
        return true;
    if (ItemText(d, IDC_KEYGEN_STATUS) != L"RSA鍵の生成が完了しました。")
        return false;
    Notify(d, IDCANCEL, BN_CLICKED);
    return true;
}

TEST_F(CGeneratingRSAKeyDialogTest, CancelStopsTheSearchesAndKeepsTheOldKey)
{
    for (bool bKeyBefore : {false, true})
    {
        SCOPED_TRACE(bKeyBefore ? "a key stored before" : "no key before");
        DeleteProfile();
        theApp.m_bKeyPresent = FALSE;
        std::unique_ptr<KnownKey> key(bKeyBefore ? new KnownKey : nullptr);
        SearchHold hold;  // the searches begin only once the cancel is in
        std::wstring status;
        Script script(60000);
        script.On(L"Varnel", [&](HWND d) {
            Notify(d, IDCANCEL, BN_CLICKED);
            status = ItemText(d, IDC_KEYGEN_STATUS);
            hold.Release();
        });
        script.Then(EndIfFinished);
        script.Start();
        EXPECT_FALSE(RunRSAKeyGeneration());
        EXPECT_FALSE(script.TimedOut());
        EXPECT_EQ(L"中止しています...", status);
        if (key)
        {
            key->ExpectKept();
        }
        else
        {
            EXPECT_FALSE(theApp.m_bKeyPresent);
            EXPECT_FALSE(ValueExists(L"Network", L"PublicKey1280"));
        }
    }
}

// rand_s that fails from its nth call on; counts the calls.
struct FAILINGSOURCE
{
    static int& Calls()
    {
        static int n = 0;
        return n;
    }
    static int& FailFrom()
    {
        static int n = 0;
        return n;
    }
    static errno_t RandS(unsigned int* pValue)
    {
        if (++Calls() >= FailFrom())
            return EINVAL;
        *pValue = 0x9e3779b9u * (unsigned int)Calls();
        return 0;
    }
};

// A run that must end without a key, with pfnHook at the start of each
// search: it ends with IDCANCEL, the key stored before stays, and the log
// has the line.
void ExpectAbortedRun(CGeneratingRSAKeyDialog::PFN_SEARCHHOOK pfnHook, const std::wstring& strLine)
{
    DeleteProfile();
    KnownKey key;
    TakeLogLines();
    auto pfnOldHook = CGeneratingRSAKeyDialog::SetSearchHook(pfnHook);
    Script script(120000);
    script.Then(EndIfFinished);
    script.Start();
    BOOL bResult = RunRSAKeyGeneration();
    script.Stop();
    CGeneratingRSAKeyDialog::SetSearchHook(pfnOldHook);
    EXPECT_FALSE(bResult);
    EXPECT_FALSE(script.TimedOut());
    key.ExpectKept();
    Strings lines = TakeLogLines();
    EXPECT_TRUE(AnyLineHas(lines, strLine)) << lines.size() << " lines";
}

TEST_F(CGeneratingRSAKeyDialogTest, NoRandomSeedEndsLikeACancelAndKeepsTheKey)
{
    // The first seed's first word, and the second seed's first word.
    for (int nFailFrom : {1, 65})
    {
        SCOPED_TRACE(nFailFrom == 1 ? "first seed" : "second seed");
        FAILINGSOURCE::Calls() = 0;
        FAILINGSOURCE::FailFrom() = nFailFrom;
        PFN_RAND_S pfnOld = SetSecureRandomSource(&FAILINGSOURCE::RandS);
        static bool s_bSearched;
        s_bSearched = false;
        ExpectAbortedRun([](int) { s_bSearched = true; },
                         L"【エラー】乱数を取得できないため、RSA鍵の生成を中止しました。");
        SetSecureRandomSource(pfnOld);
        EXPECT_FALSE(s_bSearched) << "a search ran on a seed that the source never gave";
        EXPECT_EQ(nFailFrom, FAILINGSOURCE::Calls()) << "drawn on after the failure";
    }
}

TEST_F(CGeneratingRSAKeyDialogTest, SearchThatThrowsEndsTheRunAndKeepsTheKey)
{
    // Thread #1's own search, and thread #2's.
    for (int nThrowing : {0, 1})
    {
        SCOPED_TRACE(nThrowing == 0 ? "search of p" : "search of q");
        static int s_nThrowing;
        s_nThrowing = nThrowing;
        ExpectAbortedRun(
            [](int nSearch) {
                if (nSearch == s_nThrowing)
                    AfxThrowMemoryException();
            },
            L"【エラー】素数の探索中にエラーが発生したため、RSA鍵の生成を中止しました。");
    }
}

}  // namespace
