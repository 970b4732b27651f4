// Key generation: the progress texts, a real run that stores a key, and a
// cancelled run that leaves the old key.

#include "CBMPropertyPageTestUtil.h"

#include <math.h>

#include "app/PublicKeyStore.h"
#include "crypto/CGeneratingRSAKeyDialog.h"
#include "res/SettingsResource.h"
#include "ui/CNetworkDialog.h"

using namespace uitest;

namespace {

class CGeneratingRSAKeyDialogTest : public UiTest {};

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
    for (const auto& c : cases) {
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
        if (d == NULL || ItemText(d, IDCANCEL) != L"OK")
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

TEST_F(CGeneratingRSAKeyDialogTest, CancelStopsTheSearchesAndKeepsTheOldKey)
{
    theApp.m_bKeyPresent = FALSE;
    std::wstring status;
    Script script;
    script.On(L"Varnel", [&](HWND d) {
        Notify(d, IDCANCEL, BN_CLICKED);
        status = ItemText(d, IDC_KEYGEN_STATUS);
    });
    // A cancel that came while the key was being completed leaves the
    // finished dialog up with its OK button: press it, as a user would.
    script.Then([]() {
        HWND d = FindTopWindow(L"Varnel");
        if (d == NULL)
            return true;
        if (ItemText(d, IDC_KEYGEN_STATUS) != L"RSA鍵の生成が完了しました。")
            return false;
        Notify(d, IDCANCEL, BN_CLICKED);
        return true;
    });
    script.Start();
    BOOL bResult = RunRSAKeyGeneration();
    // The second step is needed only in that race, so only the first must have run.
    EXPECT_FALSE(script.TimedOut());
    EXPECT_FALSE(status.empty()) << "the cancel was never pressed";
    if (bResult) {
        // The key was complete before the cancel arrived: that run counts.
        SUCCEED() << "generation finished before the cancel";
        return;
    }
    EXPECT_EQ(L"中止しています...", status);
    EXPECT_FALSE(theApp.m_bKeyPresent);
    EXPECT_FALSE(ValueExists(L"Network", L"PublicKey1280"));
}

}  // namespace
