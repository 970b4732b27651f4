// The display page: the start-up choice and the balloon on close.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/CMiscDialog.h"

using namespace uitest;

namespace {

class CMiscDialogTest : public UiTest
{
protected:
    INT_PTR RunPage(Script& script)
    {
        CMiscDialog page;
        return RunSheet(script, {&page});
    }
};

TEST_F(CMiscDialogTest, ShowsAndStoresTheTwoSettings)
{
    const int radios[3] = {IDC_MISC_ONSTART_WINDOW, IDC_MISC_ONSTART_BALLOON, IDC_MISC_ONSTART_SILENT};
    struct
    {
        const char* label;
        int onStart;
        BOOL balloon;
        int clickRadio;  // index, -1: none
        bool clickBox;
        int shownRadio;  // -1: none set
        bool shownBox;
        DWORD storedOnStart;
        DWORD storedBalloon;
    } cases[] = {
        {"unchanged", 1, TRUE, -1, false, 1, true, 1, 1},
        {"out of range shows none, stores -1", 5, FALSE, -1, false, -1, false, 0xFFFFFFFF, 0},
        {"balloon 5 stored as 1", 2, 5, -1, false, 2, true, 2, 1},
        {"choose silent, untick", 0, TRUE, 2, true, 0, true, 2, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        theApp.m_nOnStart = c.onStart;
        theApp.m_bShowBalloonOnClose = c.balloon;
        int shownRadio = -2;
        bool shownBox = false, applyBefore = true, applyAfter = false, clicked = false;
        Script script;
        script.On(L"設定", [&](HWND h) {
            HWND p = CurrentPage(h);
            shownRadio = -1;
            for (int i = 0; i < 3; i++)
                if (SendMessageW(GetDlgItem(p, radios[i]), BM_GETCHECK, 0, 0) == BST_CHECKED)
                    shownRadio = i;
            shownBox = SendMessageW(GetDlgItem(p, IDC_MISC_BALLOON_ON_CLOSE), BM_GETCHECK, 0, 0) == BST_CHECKED;
            applyBefore = ApplyEnabled(h);
            if (c.clickRadio >= 0)
                SendMessageW(GetDlgItem(p, radios[c.clickRadio]), BM_CLICK, 0, 0);
            if (c.clickBox)
                SendMessageW(GetDlgItem(p, IDC_MISC_BALLOON_ON_CLOSE), BM_CLICK, 0, 0);
            // A click on the button already set counts as a change too.
            if (c.clickRadio < 0 && shownRadio >= 0)
                SendMessageW(GetDlgItem(p, radios[shownRadio]), BM_CLICK, 0, 0);
            clicked = c.clickRadio >= 0 || c.clickBox || shownRadio >= 0;
            applyAfter = ApplyEnabled(h);
            PressOK(h);
        });
        EXPECT_EQ(IDOK, RunPage(script));
        EXPECT_EQ(c.shownRadio, shownRadio);
        EXPECT_EQ(c.shownBox, shownBox);
        EXPECT_FALSE(applyBefore);
        EXPECT_EQ(clicked, applyAfter);
        DWORD v = 99;
        EXPECT_TRUE(ReadDword(L"Settings", L"OnStart", &v));
        EXPECT_EQ(c.storedOnStart, v);
        EXPECT_TRUE(ReadDword(L"Settings", L"ShowBalloonOnClose", &v));
        EXPECT_EQ(c.storedBalloon, v);
        EXPECT_EQ((int)c.storedOnStart, theApp.m_nOnStart);
        EXPECT_EQ((BOOL)c.storedBalloon, theApp.m_bShowBalloonOnClose);
    }
}

TEST_F(CMiscDialogTest, CancelWritesNothing)
{
    Script script;
    script.On(L"設定", [&](HWND h) {
        SendMessageW(GetDlgItem(CurrentPage(h), IDC_MISC_ONSTART_SILENT), BM_CLICK, 0, 0);
        PressCancel(h);
    });
    EXPECT_EQ(IDCANCEL, RunPage(script));
    EXPECT_FALSE(ValueExists(L"Settings", L"OnStart"));
    EXPECT_EQ(0, theApp.m_nOnStart);
}

}  // namespace
