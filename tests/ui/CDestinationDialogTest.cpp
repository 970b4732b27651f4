// The destination dialog: what it shows, what OK accepts and refuses, and
// what it hands back.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/CDestinationDialog.h"

using namespace uitest;

namespace {

class CDestinationDialogTest : public UiTest
{};

const wchar_t kEmptyName[] = L"コンピュータ名を指定してください。";

TEST_F(CDestinationDialogTest, ShowsMembersAndHidesTheProtocolChoice)
{
    CDestinationDialog dlg;
    dlg.m_strName = L"pc1";
    dlg.m_nPort = 0;
    dlg.m_nProtocol = 0;
    std::wstring name, port, note;
    bool hiddenAndDisabled[3] = {};
    Script script;
    script.On(L"送信先", [&](HWND h) {
        name = ItemText(h, IDC_DEST_NAME);
        port = ItemText(h, IDC_DEST_PORT);
        note = ItemText(h, IDC_DEST_NOTE);
        const int ids[3] = {IDC_DEST_PROTOCOL_LABEL, IDC_DEST_IPV4, IDC_DEST_IPV6};
        for (int i = 0; i < 3; i++)
        {
            HWND c = GetDlgItem(h, ids[i]);
            hiddenAndDisabled[i] = c != nullptr && !IsWindowVisible(c) && !IsWindowEnabled(c);
        }
        Notify(h, IDCANCEL, BN_CLICKED);
    });
    script.Start();
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(L"pc1", name);
    EXPECT_EQ(L"0", port);  // 0 is shown, not left empty
    EXPECT_EQ(L"コンピュータ名はLANのコンピュータ名、IPアドレスなどを指定してください。\r\n"
              L"IPアドレスはIPv4形式で指定してください。\r\n"
              L"ポートには相手先コンピュータのVarnel受信ポートを指定してください。",
              note);
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(hiddenAndDisabled[i]) << "control " << i;
}

struct OK_CASE
{
    const char* label;
    LPCWSTR typedName;
    LPCWSTR typedPort;
    int presetProtocol;
    bool accepted;
    LPCWSTR name;  // when accepted
    int port;
    int protocol;
};

const OK_CASE kOkCases[] = {
    {"plain", L"pc1", L"60125", 0, true, L"pc1", 60125, 0},
    {"blanks around, inner kept", L"  my pc\t ", L"1", 0, true, L"my pc", 1, 0},
    {"ideographic spaces trimmed", L"\u3000pc2\u3000", L"2", 0, true, L"pc2", 2, 0},
    {"hidden IPv6 kept", L"h", L"3", 1, true, L"h", 3, 1},
    {"stored protocol neither 0 nor 1", L"h", L"3", 5, true, L"h", 3, -1},
    {"empty name", L"", L"3", 0, false, nullptr, 0, 0},
    {"blanks only", L"  \t ", L"3", 0, false, nullptr, 0, 0},
    {"ideographic spaces only", L"\u3000\u3000", L"3", 0, false, nullptr, 0, 0},
};

TEST_F(CDestinationDialogTest, OkAcceptsATrimmedNameAndParsesThePort)
{
    for (const OK_CASE& c : kOkCases)
    {
        SCOPED_TRACE(c.label);
        Boxes() = MessageBoxes();
        CDestinationDialog dlg;
        dlg.m_strName = L"before";
        dlg.m_nPort = 5;
        dlg.m_nProtocol = c.presetProtocol;
        bool stayedOpen = false;
        Script script;
        script.On(L"送信先", [&](HWND h) {
            SetDlgItemTextW(h, IDC_DEST_NAME, c.typedName);
            SetDlgItemTextW(h, IDC_DEST_PORT, c.typedPort);
            Notify(h, IDOK, BN_CLICKED);
            stayedOpen = IsWindowVisible(h) != FALSE && FindTopWindow(L"送信先") == h && !c.accepted;
            if (!c.accepted)
                Notify(h, IDCANCEL, BN_CLICKED);
        });
        script.Start();
        INT_PTR r = dlg.DoModal();
        EXPECT_TRUE(script.Done());
        if (c.accepted)
        {
            EXPECT_EQ(IDOK, r);
            EXPECT_STREQ(c.name, dlg.m_strName);
            EXPECT_EQ(c.port, dlg.m_nPort);
            EXPECT_EQ(c.protocol, dlg.m_nProtocol);
            EXPECT_TRUE(Boxes().shown.empty());
        }
        else
        {
            EXPECT_EQ(IDCANCEL, r);
            EXPECT_TRUE(stayedOpen);
            ASSERT_EQ(1u, Boxes().shown.size());
            EXPECT_EQ(kEmptyName, Boxes().shown[0].text);
            EXPECT_EQ((UINT)MB_OK, Boxes().shown[0].type & 0xF);
            // Cancel leaves what the caller set.
            EXPECT_STREQ(L"before", dlg.m_strName);
            EXPECT_EQ(5, dlg.m_nPort);
            EXPECT_EQ(c.presetProtocol, dlg.m_nProtocol);
        }
    }
}

// A port that isn't a port is refused when Enter presses OK: the box names
// the range, the text stays, the field has the focus, no member changes.
TEST_F(CDestinationDialogTest, PortThatIsNoPortIsRefusedWhereItIsTyped)
{
    for (const PORT_TEXT& t : PortTexts())
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(t.text)));
        Boxes() = MessageBoxes();
        CDestinationDialog dlg;
        dlg.m_strName = L"before";
        dlg.m_nPort = 5;
        dlg.m_nProtocol = 0;
        HWND hDialog = nullptr, hPort = nullptr;
        bool stayed = false, focused = false;
        std::wstring kept;
        Script script;
        script.On(L"送信先", [&](HWND h) {
            hDialog = h;
            hPort = GetDlgItem(h, IDC_DEST_PORT);
            TypeInto(GetDlgItem(h, IDC_DEST_NAME), L"pc1");
            TypeInto(hPort, t.text);
            PostMessageW(hPort, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(hPort, WM_KEYUP, VK_RETURN, 1 | (3u << 30));
        });
        script.Then([&]() {
            stayed = FindTopWindow(L"送信先") == hDialog;
            focused = GetFocus() == hPort;
            kept = ItemText(hDialog, IDC_DEST_PORT);
            Notify(hDialog, IDCANCEL, BN_CLICKED);
            return true;
        });
        script.Start();
        INT_PTR r = dlg.DoModal();
        if (t.nPort != 0)
        {
            EXPECT_EQ(IDOK, r);
            EXPECT_STREQ(L"pc1", dlg.m_strName);
            EXPECT_EQ(t.nPort, dlg.m_nPort);
            EXPECT_TRUE(Boxes().shown.empty());
            continue;
        }
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(IDCANCEL, r);
        EXPECT_TRUE(stayed);
        EXPECT_TRUE(focused);
        EXPECT_EQ(t.text, kept);
        EXPECT_EQ(1u, Boxes().shown.size());
        for (const BOX& b : Boxes().shown)
        {
            EXPECT_EQ(kPortRefused, b.text);
            EXPECT_EQ((UINT)MB_OK, b.type & 0xF);
            EXPECT_EQ(L"Varnel3", b.caption);
        }
        EXPECT_STREQ(L"before", dlg.m_strName);
        EXPECT_EQ(5, dlg.m_nPort);
    }
}

}  // namespace
