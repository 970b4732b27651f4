// The settings sheet as the main dialog and start-up build it: its tabs, the
// Help button's topic per page, and which pages write what on OK, Apply and
// Cancel.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/CBMPropertyPage.h"
#include "ui/SettingsSheet.h"

using namespace uitest;

namespace {

class CBMPropertyPageTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_pfnOldHelp = CBMPropertyPage::s_pfnOpenHelpPage;
        CBMPropertyPage::s_pfnOpenHelpPage = [](LPCWSTR topic) { Topics().push_back(topic); };
        Topics().clear();
    }
    void TearDown() override
    {
        CBMPropertyPage::s_pfnOpenHelpPage = m_pfnOldHelp;
        UiTest::TearDown();
    }
    static std::vector<std::wstring>& Topics()
    {
        static std::vector<std::wstring> topics;
        return topics;
    }

    CBMPropertyPage::HELP_OPENER m_pfnOldHelp = nullptr;
};

TEST_F(CBMPropertyPageTest, TabsFollowShowFormatDialogOnlyInTheMainDialogsSheet)
{
    const Strings three = {L"ネットワーク", L"送信方法", L"表示"};
    const Strings four = {L"ネットワーク", L"送信方法", L"フォーマット", L"表示"};
    struct
    {
        const char* label;
        bool stored;
        DWORD value;
        bool startup;
        Strings tabs;
    } cases[] = {
        {"absent", false, 0, false, three},
        {"zero", true, 0, false, three},
        {"one", true, 1, false, four},
        {"minus one", true, 0xFFFFFFFF, false, four},
        {"start-up ignores it", true, 1, true, three},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        if (c.stored)
            theApp.WriteProfileInt(L"Settings", L"ShowFormatDialog", (int)c.value);
        Strings tabs;
        Script script;
        script.On(L"設定", [&](HWND h) {
            tabs = TabCaptions(h);
            PressCancel(h);
        });
        script.Start();
        if (c.startup)
            EXPECT_FALSE(RunStartupSettingsSheet());
        else
            RunSettingsSheetFromMainDialog();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(c.tabs, tabs);
    }
}

TEST_F(CBMPropertyPageTest, HelpOpensThePageTopic)
{
    theApp.WriteProfileInt(L"Settings", L"ShowFormatDialog", 1);
    Script script;
    script.On(L"設定", [&](HWND h) {
        PressHelp(h);
        for (int tab = 1; tab < 4; tab++)
        {
            SelectTab(h, tab);
            PressHelp(h);
        }
        PressCancel(h);
    });
    script.Start();
    RunSettingsSheetFromMainDialog();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ((Strings{L"proppage_131", L"proppage_143", L"proppage_133", L"proppage_138"}), Topics());
}

TEST_F(CBMPropertyPageTest, StartupCancelWritesNothingAndFails)
{
    theApp.m_bSettingInitialized = FALSE;
    Script script;
    script.On(L"設定", [&](HWND h) { PressCancel(h); });
    script.Start();
    EXPECT_FALSE(RunStartupSettingsSheet());
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(ValueExists(L"Network", L"SettingInitialized"));
    EXPECT_FALSE(ValueExists(L"Network", L"Port"));
    EXPECT_FALSE(theApp.m_bSettingInitialized);
}

TEST_F(CBMPropertyPageTest, StartupOkWritesOnlyShownPagesAndMarksInitialized)
{
    // Damaged settings on an installation already initialised: the sheet is
    // shown again, a changed port shows the notice and is used at once.
    struct
    {
        const char* label;
        BOOL initialized;
        bool notice;
    } cases[] = {
        {"first run", FALSE, false},
        {"repair", TRUE, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        Boxes() = MessageBoxes();
        ResetLiveSettings();
        theApp.m_bSettingInitialized = c.initialized;
        theApp.WriteProfileInt(L"Network", L"Server", 1);
        Script script;
        script.On(L"設定", [&](HWND h) {
            SetDlgItemTextW(CurrentPage(h), IDC_NET_PORT, L"12345");
            PressOK(h);
        });
        script.Start();
        EXPECT_TRUE(RunStartupSettingsSheet());
        EXPECT_TRUE(script.Done());
        DWORD v = 0;
        EXPECT_TRUE(ReadDword(L"Network", L"SettingInitialized", &v));
        EXPECT_EQ(1u, v);
        EXPECT_TRUE(theApp.m_bSettingInitialized);
        EXPECT_TRUE(ReadDword(L"Network", L"Port", &v));
        EXPECT_EQ(12345u, v);
        EXPECT_EQ(12345, theApp.m_nPort);  // re-read for the listener
        EXPECT_EQ(1, theApp.m_nServer);
        EXPECT_EQ(c.notice ? 1u : 0u, Boxes().shown.size());
        // The send-method and display pages were never shown.
        for (LPCWSTR name : {L"Delay", L"NoDelayText", L"Formats3", L"OnStart", L"ShowBalloonOnClose"})
            EXPECT_FALSE(ValueExists(L"Settings", name)) << "Settings\\" << std::string(name, name + wcslen(name));
    }
}

TEST_F(CBMPropertyPageTest, CancelAfterApplyKeepsWhatApplyWrote)
{
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND hPage = CurrentPage(h);
        SetDlgItemTextW(hPage, IDC_NET_PORT, L"2000");
        EXPECT_TRUE(ApplyEnabled(h));
        PressApply(h);
        EXPECT_FALSE(ApplyEnabled(h));
        SetDlgItemTextW(hPage, IDC_NET_PORT, L"3000");
        PressCancel(h);
    });
    script.Start();
    RunSettingsSheetFromMainDialog();
    EXPECT_TRUE(script.Done());
    DWORD v = 0;
    EXPECT_TRUE(ReadDword(L"Network", L"Port", &v));
    EXPECT_EQ(2000u, v);
    EXPECT_EQ(60125, theApp.m_nPort);  // the running listener's port stays
}

TEST_F(CBMPropertyPageTest, EnterIsOkEscAndCloseBoxAreCancel)
{
    struct
    {
        WPARAM key;
        BOOL result;
    } cases[] = {{VK_RETURN, TRUE}, {VK_ESCAPE, FALSE}, {0, FALSE}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.key == VK_RETURN ? "Enter" : c.key ? "Esc" : "close box");
        DeleteProfile();
        Script script;
        script.On(L"設定", [&](HWND h) {
            if (c.key == 0)
            {
                PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
                return;
            }
            HWND hEdit = GetDlgItem(CurrentPage(h), IDC_NET_PORT);
            SetFocus(hEdit);
            PostMessageW(hEdit, WM_KEYDOWN, c.key, 1);
            PostMessageW(hEdit, WM_KEYUP, c.key, 0xC0000001);
        });
        script.Start();
        EXPECT_EQ(c.result, RunStartupSettingsSheet());
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(c.result != FALSE, ValueExists(L"Network", L"SettingInitialized"));
    }
}

}  // namespace
