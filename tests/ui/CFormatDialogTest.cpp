// The formats page: the formats seen at the last copy, adding and deleting
// names of the send list it shares with the send-method page, and saving.

#include "UiTestUtil.h"

#include "app/AppMessages.h"
#include "res/SettingsResource.h"
#include "ui/CFormatDialog.h"
#include "ui/COptionSendDialog.h"
#include "ui/SettingsSheet.h"

using namespace uitest;

namespace {

class CFormatDialogTest : public UiTest
{
protected:
    // A sheet of the send-method page (tab 0) and the formats page (tab 1),
    // opened on the formats page.
    INT_PTR RunPages(Script& script, COptionSendDialog& send, CFormatDialog& formats)
    {
        return RunSheet(script, {&send, &formats}, 1);
    }
    static void Set(CStringArray& arr, const Strings& names)
    {
        arr.RemoveAll();
        for (const std::wstring& n : names)
            arr.Add(n.c_str());
    }
    static Strings ToStrings(const CStringArray& arr)
    {
        Strings s;
        for (INT_PTR i = 0; i < arr.GetSize(); i++)
            s.push_back(arr[i].GetString());
        return s;
    }
    static HWND Seen(HWND p) { return GetDlgItem(p, IDC_FMT_CLIPBOARD_FORMATS); }
    static HWND Send(HWND p) { return GetDlgItem(p, IDC_FMT_SEND_FORMATS); }
    static void SelectRows(HWND p, HWND hList, std::initializer_list<int> rows)
    {
        SendMessageW(hList, LB_SETSEL, FALSE, -1);
        for (int r : rows)
            SendMessageW(hList, LB_SETSEL, TRUE, r);
        Notify(p, GetDlgCtrlID(hList), LBN_SELCHANGE);
    }
    static bool Enabled(HWND p, int id) { return IsWindowEnabled(GetDlgItem(p, id)) != FALSE; }
};

TEST_F(CFormatDialogTest, PublishesItsWindowAndFollowsNewCopies)
{
    Set(theApp.m_arrSeenFormats, {L"Zeta", L"alpha", L"Beta"});
    COptionSendDialog send;
    CFormatDialog formats(&send);
    HWND published = nullptr;
    Strings seen, afterCopy;
    bool addEnabled = true, deleteEnabled = true;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        published = FormatPageWnd;
        EXPECT_EQ(p, published);
        seen = ListRows(Seen(p));
        addEnabled = Enabled(p, IDC_FMT_ADD);
        deleteEnabled = Enabled(p, IDC_FMT_DELETE);
        SelectRows(p, Seen(p), {0});
        Set(theApp.m_arrSeenFormats, {L"Gamma"});
        EXPECT_EQ(1, SendMessageW(FormatPageWnd, UWM_FORMATLISTCHANGED, 0, 0));
        afterCopy = ListRows(Seen(p));
        EXPECT_EQ(0, SendMessageW(Seen(p), LB_GETSELCOUNT, 0, 0));  // selection lost
        PressCancel(h);
    });
    EXPECT_EQ(IDCANCEL, RunPages(script, send, formats));
    EXPECT_NE((HWND) nullptr, published);
    EXPECT_EQ((HWND) nullptr, FormatPageWnd);
    EXPECT_EQ((Strings{L"alpha", L"Beta", L"Zeta"}), seen);  // sorted by the list box
    EXPECT_EQ((Strings{L"Gamma"}), afterCopy);
    EXPECT_FALSE(addEnabled);
    EXPECT_FALSE(deleteEnabled);
}

TEST_F(CFormatDialogTest, NoFormatsPageNoPublishedWindow)
{
    bool nullWhileOpen = false;
    Script script;
    script.On(L"設定", [&](HWND h) {
        nullWhileOpen = FormatPageWnd == nullptr && TabCaptions(h).size() == 3;
        PressCancel(h);
    });
    script.Start();
    RunSettingsSheetFromMainDialog();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(nullWhileOpen);
}

TEST_F(CFormatDialogTest, AddTakesEachMissingNameOnce)
{
    Set(theApp.m_arrSeenFormats, {L"Custom A", L"custom b", L"Other"});
    Set(theApp.m_arrSendFormats, {L"CUSTOM B"});
    COptionSendDialog send;
    CFormatDialog formats(&send);
    Strings sendRows, afterSecondAdd;
    BOOL modifiedAfterDuplicate = TRUE;
    bool addStaysEnabled = false;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        // Only a name already there, in another case: nothing changes.
        SelectRows(p, Seen(p), {1});
        Notify(p, IDC_FMT_ADD, BN_CLICKED);
        modifiedAfterDuplicate = send.m_bFormatsModified;
        SelectRows(p, Seen(p), {0, 1, 2});
        Notify(p, IDC_FMT_ADD, BN_CLICKED);
        sendRows = ListRows(Send(p));
        addStaysEnabled = Enabled(p, IDC_FMT_ADD);
        Notify(p, IDC_FMT_ADD, BN_CLICKED);
        afterSecondAdd = ListRows(Send(p));
        PressCancel(h);
    });
    EXPECT_EQ(IDCANCEL, RunPages(script, send, formats));
    EXPECT_FALSE(modifiedAfterDuplicate);
    EXPECT_EQ((Strings{L"Custom A", L"CUSTOM B", L"Other"}), sendRows);
    EXPECT_EQ(sendRows, afterSecondAdd);
    EXPECT_TRUE(addStaysEnabled);
    EXPECT_EQ((Strings{L"CUSTOM B", L"Custom A", L"Other"}), ToStrings(send.m_arrFormats));
    // Cancelled: nothing reached the application or the registry.
    EXPECT_EQ((Strings{L"CUSTOM B"}), ToStrings(theApp.m_arrSendFormats));
    EXPECT_FALSE(ValueExists(L"Settings", L"Formats3"));
}

TEST_F(CFormatDialogTest, DeleteAsksOnceAndRemovesEveryCase)
{
    Set(theApp.m_arrSendFormats, {L"Rich", L"rich", L"Keep", L"Two"});
    COptionSendDialog send;
    CFormatDialog formats(&send);
    Strings afterNo, afterYes;
    size_t boxesAfterNo = 0;
    bool deleteAfter = true;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        Strings rows = ListRows(Send(p));  // Keep, Rich, rich, Two (sorted)
        SelectRows(p, Send(p), {1, 3});
        Boxes().answers = {IDNO};
        Notify(p, IDC_FMT_DELETE, BN_CLICKED);
        boxesAfterNo = Boxes().shown.size();
        afterNo = ListRows(Send(p));
        Boxes().answers = {IDYES};
        Notify(p, IDC_FMT_DELETE, BN_CLICKED);
        afterYes = ListRows(Send(p));
        deleteAfter = Enabled(p, IDC_FMT_DELETE);
        Notify(p, IDC_FMT_DELETE, BN_CLICKED);  // nothing selected: no question
        PressOK(h);
    });
    EXPECT_EQ(IDOK, RunPages(script, send, formats));
    EXPECT_EQ(1u, boxesAfterNo);
    ASSERT_EQ(2u, Boxes().shown.size());
    EXPECT_EQ(L"削除しますか？", Boxes().shown[1].text);
    EXPECT_EQ((UINT)MB_YESNO, Boxes().shown[1].type & 0xF);
    EXPECT_EQ(4u, afterNo.size());
    // One of the rows "Rich" and "rich" (their order is the list box's) was
    // deleted with "Two"; the other row stays ...
    ASSERT_EQ(2u, afterYes.size());
    EXPECT_EQ(L"Keep", afterYes[0]);
    EXPECT_EQ(0, _wcsicmp(L"rich", afterYes[1].c_str()));
    EXPECT_FALSE(deleteAfter);
    // ... but the list loses every entry equal to a deleted name.
    EXPECT_EQ((Strings{L"Keep"}), ToStrings(theApp.m_arrSendFormats));
    std::wstring stored;
    EXPECT_TRUE(ReadString(L"Settings", L"Formats3", &stored));
    EXPECT_EQ(L"\"Keep\"", stored);
}

TEST_F(CFormatDialogTest, BothPagesShowOneListAndSaveItOnce)
{
    Set(theApp.m_arrSeenFormats, {L"PNG", L"Own"});
    Set(theApp.m_arrSendFormats, {});
    COptionSendDialog send;
    CFormatDialog formats(&send);
    int pngTicked = -1;
    Strings sendRowsBack;
    bool storedAtApply = false, rewrittenAtOk = true;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        SelectRows(p, Seen(p), {0, 1});  // Own, PNG
        Notify(p, IDC_FMT_ADD, BN_CLICKED);
        SelectTab(h, 0);
        HWND hCheck = GetDlgItem(CurrentPage(h), IDC_SEND_FORMATS);
        pngTicked = RowCheck(hCheck, 6);
        ClickCheck(hCheck, 6);  // untick PNG there
        SelectTab(h, 1);
        sendRowsBack = ListRows(Send(CurrentPage(h)));
        PressApply(h);
        storedAtApply = ValueExists(L"Settings", L"Formats3");
        theApp.WriteProfileString(L"Settings", L"Formats3", nullptr);
        PressOK(h);
        rewrittenAtOk = ValueExists(L"Settings", L"Formats3");
    });
    EXPECT_EQ(IDOK, RunPages(script, send, formats));
    EXPECT_EQ(1, pngTicked);
    EXPECT_EQ((Strings{L"Own"}), sendRowsBack);
    EXPECT_TRUE(storedAtApply);
    EXPECT_FALSE(rewrittenAtOk);  // unchanged since the Apply
    EXPECT_EQ((Strings{L"Own"}), ToStrings(theApp.m_arrSendFormats));
}

TEST_F(CFormatDialogTest, SavedWithoutTheSendPageEverShown)
{
    theApp.WriteProfileInt(L"Settings", L"ShowFormatDialog", 1);
    Set(theApp.m_arrSeenFormats, {L"Own"});
    Set(theApp.m_arrSendFormats, {L"HTML Format"});
    Script script;
    script.On(L"設定", [&](HWND h) {
        SelectTab(h, 2);
        HWND p = CurrentPage(h);
        SelectRows(p, Seen(p), {0});
        Notify(p, IDC_FMT_ADD, BN_CLICKED);
        PressOK(h);
    });
    script.Start();
    RunSettingsSheetFromMainDialog();
    EXPECT_TRUE(script.Done());
    std::wstring stored;
    EXPECT_TRUE(ReadString(L"Settings", L"Formats3", &stored));
    EXPECT_EQ(L"\"HTML Format\",\"Own\"", stored);
    EXPECT_FALSE(ValueExists(L"Settings", L"Delay"));  // that page was never shown
}

}  // namespace
