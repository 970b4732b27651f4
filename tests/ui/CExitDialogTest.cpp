// The exit dialog hands back its check box only on OK.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/CExitDialog.h"

using namespace uitest;

namespace {

class CExitDialogTest : public UiTest
{};

TEST_F(CExitDialogTest, CheckBoxFollowsTheMemberAndComesBackOnOk)
{
    struct
    {
        const char* label;
        BOOL preset;
        bool tick;  // click the box once
        int button;
        BOOL shownChecked;
        BOOL result;
    } cases[] = {
        {"untouched OK", FALSE, false, IDOK, FALSE, FALSE},
        {"ticked OK", FALSE, true, IDOK, FALSE, TRUE},
        {"ticked then cancelled", FALSE, true, IDCANCEL, FALSE, FALSE},
        {"preset shown", TRUE, false, IDOK, TRUE, TRUE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        CExitDialog dlg;
        dlg.m_bDeleteSettings = c.preset;
        LRESULT shown = -1;
        std::wstring label;
        Script script;
        script.On(L"Varnel", [&](HWND h) {
            HWND hBox = GetDlgItem(h, IDC_EXIT_DELETE_SETTINGS);
            shown = SendMessageW(hBox, BM_GETCHECK, 0, 0);
            label = WindowText(hBox);
            if (c.tick)
                SendMessageW(hBox, BM_CLICK, 0, 0);
            Notify(h, c.button, BN_CLICKED);
        });
        script.Start();
        EXPECT_EQ(c.button, dlg.DoModal());
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(c.shownChecked ? BST_CHECKED : BST_UNCHECKED, shown);
        EXPECT_EQ(L"設定を削除", label);
        EXPECT_EQ(c.result, dlg.m_bDeleteSettings);
    }
}

}  // namespace
