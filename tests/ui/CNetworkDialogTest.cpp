// The network page: what it shows from the application and the registry, the
// destination list and its buttons, the password, the restart notice, and
// what OK and Apply write.

#include "UiTestUtil.h"

#include <memory>

#include "crypto/StoredSecret.h"
#include "res/SettingsResource.h"
#include "ui/CMiscDialog.h"
#include "ui/CNetworkDialog.h"

using namespace uitest;

namespace {

const wchar_t kRestartNotice[] = L"変更は次回Varnelを起動したときに有効になります。\r\n"
                                 L"変更を有効にするには、いったんVarnelを終了して起動し直してください。";
const wchar_t kDeleteQuestion[] = L"選択されている送信先を削除しますか？";

class CNetworkDialogTest : public UiTest
{
protected:
    // Runs a sheet holding only the network page while the script runs.
    INT_PTR RunPage(Script& script)
    {
        CNetworkDialog page;
        return RunSheet(script, {&page});
    }

    static void AddDestination(LPCWSTR name, int port, int enabled, int protocol = 0)
    {
        CDestinationData* p = new CDestinationData;
        p->m_strName = name;
        p->m_nPort = port;
        p->m_bEnabled = enabled;
        p->m_nProtocol = protocol;
        theApp.m_pDestinations->m_arrDestinations.Add(p);
    }

    static HWND List(HWND hPage) { return GetDlgItem(hPage, IDC_NET_DESTINATIONS); }
    static int Selection(HWND hPage) { return (int)SendMessageW(List(hPage), LB_GETCURSEL, 0, 0); }
    static void Select(HWND hPage, int row)
    {
        SendMessageW(List(hPage), LB_SETCURSEL, row, 0);
        Notify(hPage, IDC_NET_DESTINATIONS, LBN_SELCHANGE);
    }
    static bool ChangeButtonsEnabled(HWND hPage)
    {
        bool a = IsWindowEnabled(GetDlgItem(hPage, IDC_NET_MODIFY)) != FALSE;
        bool b = IsWindowEnabled(GetDlgItem(hPage, IDC_NET_DELETE)) != FALSE;
        EXPECT_EQ(a, b);
        return a;
    }
};

TEST_F(CNetworkDialogTest, InitialisationShowsStoredAndLiveValues)
{
    struct
    {
        const char* label;
        bool storePort;
        DWORD port;
        LPCWSTR password;
        int rsaMode;
        bool storeServer;
        DWORD server;
        LPCWSTR portText;
        LPCWSTR passwordState;
        int rsaIndex;
        int serverIndex;
        bool applyEnabled;  // filling the port edit counts as a change
    } cases[] = {
        {"defaults", false, 0, L"", 0, false, 0, L"60125", L"設定されていません", 0, 2, true},
        {"port 0 shows empty", true, 0, L"pw", 1, true, 0, L"", L"設定されています", 1, 0, false},
        {"RSA out of range", true, 1, L"", 5, true, 1, L"1", L"設定されていません", 0, 1, true},
        {"server out of range", true, 80, L"", 0, true, 7, L"80", L"設定されていません", 0, -1, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        ResetLiveSettings();
        theApp.m_strPassword = c.password;
        theApp.m_nRSAMode = c.rsaMode;
        theApp.m_nPort = 4;  // the running port is not what the page shows
        if (c.storePort)
            theApp.WriteProfileInt(L"Network", L"Port", (int)c.port);
        if (c.storeServer)
            theApp.WriteProfileInt(L"Network", L"Server", (int)c.server);
        std::wstring port, state;
        int rsa = -2, server = -2;
        bool apply = false, serverHidden = false, buttons = true;
        Strings rsaItems;
        Script script;
        script.On(L"設定", [&](HWND h) {
            HWND p = CurrentPage(h);
            port = ItemText(p, IDC_NET_PORT);
            state = ItemText(p, IDC_NET_PASSWORD_STATE);
            HWND hRsa = GetDlgItem(p, IDC_NET_RSA);
            rsa = (int)SendMessageW(hRsa, CB_GETCURSEL, 0, 0);
            for (int i = 0; i < (int)SendMessageW(hRsa, CB_GETCOUNT, 0, 0); i++)
            {
                wchar_t t[64] = {};
                SendMessageW(hRsa, CB_GETLBTEXT, i, (LPARAM)t);
                rsaItems.push_back(t);
            }
            HWND hServer = GetDlgItem(p, IDC_NET_SERVER);
            server = (int)SendMessageW(hServer, CB_GETCURSEL, 0, 0);
            serverHidden = !IsWindowVisible(hServer) && !IsWindowEnabled(hServer);
            apply = ApplyEnabled(h);
            buttons = ChangeButtonsEnabled(p);
            PressCancel(h);
        });
        EXPECT_EQ(IDCANCEL, RunPage(script));
        EXPECT_EQ(c.portText, port);
        EXPECT_EQ(c.passwordState, state);
        EXPECT_EQ(c.rsaIndex, rsa);
        EXPECT_EQ((Strings{L"RSA暗号を使わない", L"RSA暗号を使う", L"RSA鍵を再作成する"}), rsaItems);
        EXPECT_EQ(c.serverIndex, server);
        EXPECT_TRUE(serverHidden);
        EXPECT_EQ(c.applyEnabled, apply);
        EXPECT_FALSE(buttons);                               // no row selected
        EXPECT_FALSE(ValueExists(L"Network", L"Password"));  // Cancel writes nothing
    }
}

TEST_F(CNetworkDialogTest, OkWritesEverySettingAndTheLiveValues)
{
    theApp.m_strPassword = L"old";
    theApp.WriteProfileInt(L"Network", L"Server", 1);
    AddDestination(L"pc1", 60125, 1);
    Script script;
    script.On(L"設定", [&](HWND h) {
        SetDlgItemTextW(CurrentPage(h), IDC_NET_PORT, L"123");
        PressOK(h);
    });
    EXPECT_EQ(IDOK, RunPage(script));

    DWORD v = 0;
    EXPECT_TRUE(ReadDword(L"Network", L"Port", &v));
    EXPECT_EQ(123u, v);
    EXPECT_TRUE(ReadDword(L"Network", L"Server", &v));
    EXPECT_EQ(1u, v);
    EXPECT_TRUE(ReadDword(L"Network", L"RSA", &v));
    EXPECT_EQ(0u, v);
    std::wstring dest;
    EXPECT_TRUE(ReadString(L"Network", L"Destination", &dest));
    EXPECT_EQ(L"1,\"pc1\",60125,0", dest);
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    ASSERT_TRUE(theApp.GetProfileBinary(L"Network", L"Password", &pData, &nBytes));
    CByteArray blob;
    for (UINT i = 0; i < nBytes; i++)
        blob.Add(pData[i]);
    delete[] pData;
    CString text;
    EXPECT_TRUE(DecodePassword(blob, text));
    EXPECT_STREQ(L"old", text);
    EXPECT_EQ(60125, theApp.m_nPort);
}

// A port that isn't a port is refused where it is typed: on leaving the page,
// by Apply and by OK. Each time the box names the range, the text stays, the
// field has the focus and nothing is written.
TEST_F(CNetworkDialogTest, PortThatIsNoPortIsRefusedWhereItIsTyped)
{
    for (const PORT_TEXT& t : PortTexts())
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(t.text)));
        DeleteProfile();
        ResetLiveSettings();
        theApp.m_bSettingInitialized = FALSE;  // no restart notice among the boxes
        Boxes() = MessageBoxes();
        const char* steps[] = {"leaving the page", "Apply", "OK"};
        bool stayed[3] = {}, focused[3] = {};
        std::wstring kept[3];
        CNetworkDialog page;
        CMiscDialog misc;
        Script script;
        script.On(L"設定", [&](HWND h) {
            HWND hPage = CurrentPage(h);
            HWND hPort = GetDlgItem(hPage, IDC_NET_PORT);
            TypeInto(hPort, t.text);
            if (t.nPort != 0)
            {
                SendMessageW(GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
                return;
            }
            for (int i = 0; i < 3; i++)
            {
                if (i == 0)
                    SelectTab(h, 1);
                else
                    SendMessageW(GetDlgItem(h, i == 1 ? kApplyButton : IDOK), BM_CLICK, 0, 0);
                stayed[i] = FindTopWindow(L"設定") == h && CurrentPage(h) == hPage;
                focused[i] = GetFocus() == hPort;
                kept[i] = ItemText(hPage, IDC_NET_PORT);
            }
            PressCancel(h);
        });
        INT_PTR r = RunSheet(script, {&page, &misc});
        DWORD v = 0;
        if (t.nPort != 0)
        {
            EXPECT_EQ(IDOK, r);
            EXPECT_TRUE(Boxes().shown.empty());
            EXPECT_TRUE(ReadDword(L"Network", L"Port", &v));
            EXPECT_EQ((DWORD)t.nPort, v);
            continue;
        }
        EXPECT_EQ(IDCANCEL, r);
        for (int i = 0; i < 3; i++)
        {
            EXPECT_TRUE(stayed[i]) << steps[i];
            EXPECT_TRUE(focused[i]) << steps[i];
            EXPECT_EQ(t.text, kept[i]) << steps[i];
        }
        EXPECT_EQ(3u, Boxes().shown.size());
        for (const BOX& b : Boxes().shown)
        {
            EXPECT_EQ(kPortRefused, b.text);
            EXPECT_EQ((UINT)MB_OK, b.type & 0xF);
            EXPECT_EQ(L"Varnel3", b.caption);
        }
        EXPECT_FALSE(ValueExists(L"Network", L"Port"));
        EXPECT_FALSE(ValueExists(L"Network", L"Password"));
    }
}

TEST_F(CNetworkDialogTest, UnselectableServerIsStoredAsMinusOne)
{
    // A stored "Server" outside 0..2 selects nothing, and that is what is applied.
    theApp.WriteProfileInt(L"Network", L"Server", 7);
    Script script;
    script.On(L"設定", [&](HWND h) { PressOK(h); });
    EXPECT_EQ(IDOK, RunPage(script));
    DWORD v = 0;
    EXPECT_TRUE(ReadDword(L"Network", L"Server", &v));
    EXPECT_EQ(0xFFFFFFFFu, v);
}

TEST_F(CNetworkDialogTest, RestartNoticeWhenPortOrServerDiffersFromStartUp)
{
    struct
    {
        const char* label;
        BOOL initialized;
        LPCWSTR port;
        bool notice;
    } cases[] = {
        {"changed port", TRUE, L"61000", true},
        {"start-up port again", TRUE, L"60125", false},
        {"first run", FALSE, L"61000", false},
        {"the smallest port", TRUE, L"1", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        ResetLiveSettings();
        theApp.m_bSettingInitialized = c.initialized;
        theApp.WriteProfileInt(L"Network", L"Server", 2);
        Boxes() = MessageBoxes();
        size_t afterFirstApply = 0;
        Script script;
        script.On(L"設定", [&](HWND h) {
            SetDlgItemTextW(CurrentPage(h), IDC_NET_PORT, c.port);
            PressApply(h);
            afterFirstApply = Boxes().shown.size();
            PressOK(h);  // every apply shows it again
        });
        EXPECT_EQ(IDOK, RunPage(script));
        EXPECT_EQ(c.notice ? 1u : 0u, afterFirstApply);
        ASSERT_EQ(c.notice ? 2u : 0u, Boxes().shown.size());
        if (c.notice)
        {
            EXPECT_EQ(kRestartNotice, Boxes().shown[0].text);
            EXPECT_EQ((UINT)MB_OK, Boxes().shown[0].type & 0xF);
        }
        EXPECT_EQ(60125, theApp.m_nPort);
    }
}

TEST_F(CNetworkDialogTest, DestinationListRoundTrip)
{
    AddDestination(L"pc1", 60125, 1);
    AddDestination(L"a,b;\"c\"", 1, 0, 1);
    AddDestination(L"10.0.0.3", 60000, 2);
    Strings rows;
    std::vector<int> checks;
    bool applyAfterClick = false;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        rows = ListRows(List(p));
        for (int i = 0; i < 3; i++)
            checks.push_back(RowCheck(List(p), i));
        PressApply(h);  // clears the port edit's change
        ClickCheck(List(p), 0);
        applyAfterClick = ApplyEnabled(h);
        ClickCheck(List(p), 1);
        PressOK(h);
    });
    EXPECT_EQ(IDOK, RunPage(script));
    EXPECT_EQ((Strings{L"pc1 : 60125 ", L"a,b;\"c\" : 1 ", L"10.0.0.3 : 60000 "}), rows);
    EXPECT_EQ((std::vector<int>{1, 0, 1}), checks);
    EXPECT_TRUE(applyAfterClick);

    const CDestinationDataArray* pList = theApp.m_pDestinations;
    ASSERT_EQ(3, pList->m_arrDestinations.GetSize());
    int enabled[3] = {0, 1, 1};
    LPCWSTR names[3] = {L"pc1", L"a,b;\"c\"", L"10.0.0.3"};
    int ports[3] = {60125, 1, 60000};
    int protocols[3] = {0, 1, 0};
    for (int i = 0; i < 3; i++)
    {
        const CDestinationData* d = pList->m_arrDestinations[i];
        EXPECT_EQ(enabled[i], d->m_bEnabled) << i;
        EXPECT_STREQ(names[i], d->m_strName) << i;
        EXPECT_EQ(ports[i], d->m_nPort) << i;
        EXPECT_EQ(protocols[i], d->m_nProtocol) << i;
    }
    std::wstring text;
    EXPECT_TRUE(ReadString(L"Network", L"Destination", &text));
    EXPECT_EQ(L"0,\"pc1\",60125,0;1,\"a,b;\"\"c\"\"\",1,1;1,\"10.0.0.3\",60000,0", text);
    CDestinationDataArray* pRead = CDestinationDataArray::FromString(text.c_str());
    ASSERT_EQ(3, pRead->m_arrDestinations.GetSize());
    for (int i = 0; i < 3; i++)
    {
        EXPECT_STREQ(names[i], pRead->m_arrDestinations[i]->m_strName) << i;
        EXPECT_EQ(enabled[i], pRead->m_arrDestinations[i]->m_bEnabled) << i;
    }
    delete pRead;
}

TEST_F(CNetworkDialogTest, AddModifyDeleteKeepRowsAndSelection)
{
    AddDestination(L"pc1", 60125, 1);
    AddDestination(L"pc2", 2, 1);
    Strings afterAdd, afterModify, afterDelete;
    int selAfterAdd = -2, checkAfterAdd = -2, selAfterModify = -2, checkAfterModify = -2;
    int selAfterDeleteLast = -2, selAfterDeleteAll = -2;
    bool buttonsAfterDeleteAll = true, applyAfterCancelledAdd = false;
    bool sheetDisabledMeanwhile = false, sheetEnabledAfter = false;
    std::wstring modifyName, modifyPort;
    Script script;
    HWND hPage = nullptr;
    script.On(L"設定", [&](HWND h) {
        hPage = CurrentPage(h);
        PressApply(h);
        PostNotify(hPage, IDC_NET_ADD, BN_CLICKED);  // cancelled below
    });
    script.On(L"送信先", [&](HWND d) {
        // The sheet can't be closed under the dialog.
        sheetDisabledMeanwhile = !IsWindowEnabled(Sheet());
        Notify(d, IDCANCEL, BN_CLICKED);
    });
    script.Then([&]() {
        if (FindTopWindow(L"送信先") != nullptr)
            return false;
        sheetEnabledAfter = IsWindowEnabled(Sheet()) != FALSE;
        applyAfterCancelledAdd = ApplyEnabled(Sheet());
        PostNotify(hPage, IDC_NET_ADD, BN_CLICKED);
        return true;
    });
    script.On(L"送信先", [&](HWND d) {
        EXPECT_EQ(L"", ItemText(d, IDC_DEST_NAME));
        EXPECT_EQ(L"60125", ItemText(d, IDC_DEST_PORT));
        SetDlgItemTextW(d, IDC_DEST_NAME, L" pc3 ");
        Notify(d, IDOK, BN_CLICKED);
    });
    script.Then([&]() {
        if (FindTopWindow(L"送信先") != nullptr)
            return false;
        afterAdd = ListRows(List(hPage));
        selAfterAdd = Selection(hPage);
        checkAfterAdd = RowCheck(List(hPage), 2);
        // Untick row 0, then change it: the new check mark is kept.
        Select(hPage, 0);
        ClickCheck(List(hPage), 0);
        PostNotify(hPage, IDC_NET_MODIFY, BN_CLICKED);
        return true;
    });
    script.On(L"送信先", [&](HWND d) {
        modifyName = ItemText(d, IDC_DEST_NAME);
        modifyPort = ItemText(d, IDC_DEST_PORT);
        SetDlgItemTextW(d, IDC_DEST_NAME, L"pc1b");
        SetDlgItemTextW(d, IDC_DEST_PORT, L"5");
        Notify(d, IDOK, BN_CLICKED);
    });
    script.Then([&]() {
        if (FindTopWindow(L"送信先") != nullptr)
            return false;
        afterModify = ListRows(List(hPage));
        selAfterModify = Selection(hPage);
        checkAfterModify = RowCheck(List(hPage), 0);
        // Delete the last row: the new last one is selected. "No" changes nothing.
        Select(hPage, 2);
        Boxes().answers = {IDNO, IDYES};
        Notify(hPage, IDC_NET_DELETE, BN_CLICKED);
        Notify(hPage, IDC_NET_DELETE, BN_CLICKED);
        afterDelete = ListRows(List(hPage));
        selAfterDeleteLast = Selection(hPage);
        Boxes().answers = {IDYES, IDYES};
        Notify(hPage, IDC_NET_DELETE, BN_CLICKED);
        Notify(hPage, IDC_NET_DELETE, BN_CLICKED);
        selAfterDeleteAll = Selection(hPage);
        buttonsAfterDeleteAll = ChangeButtonsEnabled(hPage);
        Notify(hPage, IDC_NET_DELETE, BN_CLICKED);  // nothing selected: no question
        PressCancel(Sheet());
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunPage(script));
    EXPECT_TRUE(applyAfterCancelledAdd);
    EXPECT_TRUE(sheetDisabledMeanwhile);
    EXPECT_TRUE(sheetEnabledAfter);
    EXPECT_EQ((Strings{L"pc1 : 60125 ", L"pc2 : 2 ", L"pc3 : 60125 "}), afterAdd);
    EXPECT_EQ(2, selAfterAdd);
    EXPECT_EQ(1, checkAfterAdd);
    EXPECT_EQ(L"pc1", modifyName);
    EXPECT_EQ(L"60125", modifyPort);
    EXPECT_EQ((Strings{L"pc1b : 5 ", L"pc2 : 2 ", L"pc3 : 60125 "}), afterModify);
    EXPECT_EQ(0, selAfterModify);
    EXPECT_EQ(0, checkAfterModify);
    EXPECT_EQ((Strings{L"pc1b : 5 ", L"pc2 : 2 "}), afterDelete);
    EXPECT_EQ(1, selAfterDeleteLast);
    EXPECT_EQ(-1, selAfterDeleteAll);
    EXPECT_FALSE(buttonsAfterDeleteAll);
    ASSERT_EQ(4u, Boxes().shown.size());  // two for the last row, one each for the others
    for (const BOX& b : Boxes().shown)
    {
        EXPECT_EQ(kDeleteQuestion, b.text);
        EXPECT_EQ((UINT)MB_YESNO, b.type & 0xF);
    }
    // Cancelled: the application's list is untouched.
    ASSERT_EQ(2, theApp.m_pDestinations->m_arrDestinations.GetSize());
    EXPECT_STREQ(L"pc1", theApp.m_pDestinations->m_arrDestinations[0]->m_strName);
}

TEST_F(CNetworkDialogTest, PasswordButtonReplacesThePasswordOnApply)
{
    theApp.m_strPassword = L"old";
    std::wstring stateAfterSet, stateAfterEmpty;
    CString passwordAfterFirstApply;
    HWND hPage = nullptr;
    Script script;
    script.On(L"設定", [&](HWND h) {
        hPage = CurrentPage(h);
        PostNotify(hPage, IDC_NET_SET_PASSWORD, BN_CLICKED);
    });
    script.On(L"パスワード設定", [&](HWND d) {
        SetDlgItemTextW(d, IDC_PWD_PASSWORD, L"new");
        SetDlgItemTextW(d, IDC_PWD_CONFIRM, L"new");
        Notify(d, IDOK, BN_CLICKED);
    });
    script.Then([&]() {
        if (FindTopWindow(L"パスワード設定") != nullptr)
            return false;
        stateAfterSet = ItemText(hPage, IDC_NET_PASSWORD_STATE);
        PressApply(Sheet());
        passwordAfterFirstApply = theApp.m_strPassword;
        PostNotify(hPage, IDC_NET_SET_PASSWORD, BN_CLICKED);
        return true;
    });
    script.On(L"パスワード設定", [&](HWND d) { Notify(d, IDOK, BN_CLICKED); });  // empty, Yes
    script.Then([&]() {
        if (FindTopWindow(L"パスワード設定") != nullptr)
            return false;
        stateAfterEmpty = ItemText(hPage, IDC_NET_PASSWORD_STATE);
        PressOK(Sheet());
        return true;
    });
    EXPECT_EQ(IDOK, RunPage(script));
    EXPECT_EQ(L"設定されています", stateAfterSet);
    EXPECT_STREQ(L"new", passwordAfterFirstApply);
    EXPECT_EQ(L"設定されていません", stateAfterEmpty);
    EXPECT_TRUE(theApp.m_strPassword.IsEmpty());
}

TEST_F(CNetworkDialogTest, RsaChoiceWithKeyNeedsNoGeneration)
{
    struct
    {
        const char* label;
        int mode;
        BOOL key;
        int choose;
        int shown;     // choice afterwards
        DWORD stored;  // "RSA" after OK
    } cases[] = {
        {"on with key", 0, TRUE, 1, 1, 1},
        {"off", 1, TRUE, 0, 0, 0},
        {"stored on without key applies off", 1, FALSE, -1, 1, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        ResetLiveSettings();
        theApp.m_nRSAMode = c.mode;
        theApp.m_bKeyPresent = c.key;
        int shown = -2;
        Script script;
        script.On(L"設定", [&](HWND h) {
            HWND p = CurrentPage(h);
            if (c.choose >= 0)
            {
                SendMessageW(GetDlgItem(p, IDC_NET_RSA), CB_SETCURSEL, c.choose, 0);
                Notify(p, IDC_NET_RSA, CBN_SELCHANGE);
            }
            shown = (int)SendMessageW(GetDlgItem(p, IDC_NET_RSA), CB_GETCURSEL, 0, 0);
            PressOK(h);
        });
        EXPECT_EQ(IDOK, RunPage(script));
        EXPECT_EQ(c.shown, shown);
        DWORD v = 99;
        EXPECT_TRUE(ReadDword(L"Network", L"RSA", &v));
        EXPECT_EQ(c.stored, v);
        EXPECT_EQ((int)c.stored, theApp.m_nRSAMode);
    }
}

TEST_F(CNetworkDialogTest, RsaListDropsDownWithEveryChoice)
{
    DeleteProfile();
    ResetLiveSettings();
    int count = 0, itemHeight = 0, listHeight = 0;
    BOOL dropped = FALSE;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND hCombo = GetDlgItem(CurrentPage(h), IDC_NET_RSA);
        SendMessageW(hCombo, CB_SHOWDROPDOWN, TRUE, 0);
        dropped = (BOOL)SendMessageW(hCombo, CB_GETDROPPEDSTATE, 0, 0);
        COMBOBOXINFO info = {sizeof(info)};
        if (GetComboBoxInfo(hCombo, &info))
        {
            RECT rc = {};
            GetClientRect(info.hwndList, &rc);
            listHeight = rc.bottom - rc.top;
        }
        count = (int)SendMessageW(hCombo, CB_GETCOUNT, 0, 0);
        itemHeight = (int)SendMessageW(hCombo, CB_GETITEMHEIGHT, 0, 0);
        SendMessageW(hCombo, CB_SHOWDROPDOWN, FALSE, 0);
        PressCancel(h);
    });
    EXPECT_EQ(IDCANCEL, RunPage(script));
    EXPECT_TRUE(dropped);
    EXPECT_EQ(3, count);
    EXPECT_GT(itemHeight, 0);
    // Every choice shows without scrolling.
    EXPECT_GE(listHeight, count * itemHeight);
}

TEST_F(CNetworkDialogTest, KeyGenerationOutcomeSetsTheChoice)
{
    // The generation is cancelled before its searches begin (they are held
    // until the cancel is in), so the cancelled row applies; a key stored
    // before stays.
    struct
    {
        const char* label;
        int mode;
        BOOL key;
        int choose;
        int shownIfCancelled;
        int shownIfGenerated;
    } cases[] = {
        {"use RSA without key", 0, FALSE, 1, 0, 1},
        {"re-create while off", 0, FALSE, 2, 0, 1},
        {"re-create while on", 1, TRUE, 2, 1, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        ResetLiveSettings();
        theApp.m_nRSAMode = c.mode;
        theApp.m_bKeyPresent = FALSE;
        std::unique_ptr<KnownKey> key(c.key ? new KnownKey : nullptr);
        SearchHold hold;
        HWND hPage = nullptr;
        int shown = -2;
        bool apply = false;
        Script script;
        script.On(L"設定", [&](HWND h) {
            hPage = CurrentPage(h);
            PressApply(h);
            SendMessageW(GetDlgItem(hPage, IDC_NET_RSA), CB_SETCURSEL, c.choose, 0);
            PostNotify(hPage, IDC_NET_RSA, CBN_SELCHANGE);
        });
        script.On(L"Varnel", [&](HWND d) {
            Notify(d, IDCANCEL, BN_CLICKED);
            hold.Release();
        });
        script.Then([&]() {
            HWND d = FindTopWindow(L"Varnel");
            if (d != nullptr)
            {
                if (ItemText(d, IDCANCEL) == L"OK")
                    Notify(d, IDCANCEL, BN_CLICKED);
                return false;
            }
            shown = (int)SendMessageW(GetDlgItem(hPage, IDC_NET_RSA), CB_GETCURSEL, 0, 0);
            apply = ApplyEnabled(Sheet());
            PressCancel(Sheet());
            return true;
        });
        EXPECT_EQ(IDCANCEL, RunPage(script));
        bool generated = ValueExists(L"Network", L"PublicKey1280") && !c.key;
        EXPECT_FALSE(generated) << "the cancel came too late";
        EXPECT_EQ(generated ? c.shownIfGenerated : c.shownIfCancelled, shown);
        EXPECT_TRUE(apply);  // also after a cancelled generation
        EXPECT_EQ(generated ? TRUE : c.key, theApp.m_bKeyPresent);
        if (key)
            key->ExpectKept();
        // A generated key is stored at once; the sheet's Cancel keeps it, and
        // "RSA" stays as the first Apply wrote it.
        DWORD v = 99;
        EXPECT_TRUE(ReadDword(L"Network", L"RSA", &v));
        EXPECT_EQ((DWORD)c.mode, v);
    }
}

}  // namespace
