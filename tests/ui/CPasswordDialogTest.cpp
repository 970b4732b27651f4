// The password dialog: both fields must match; an empty password needs a Yes.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/CPasswordDialog.h"

using namespace uitest;

namespace {

class CPasswordDialogTest : public UiTest
{};

const wchar_t kMismatch[] = L"「パスワード再入力」欄には「パスワード」欄と同じものを入力してください。";
const wchar_t kNoPassword[] = L"パスワードの設定をなしにしますか？";

struct CASE
{
    const char* label;
    LPCWSTR password;
    LPCWSTR confirm;
    int answer;   // to the Yes/No question, 0: none asked
    LPCWSTR box;  // the box shown, NULL: none
    bool accepted;
};

const CASE kCases[] = {
    {"same text", L"secret", L"secret", 0, nullptr, true},  {"different", L"secret", L"secreT", 0, kMismatch, false},
    {"second empty", L"secret", L"", 0, kMismatch, false},  {"both empty, yes", L"", L"", IDYES, kNoPassword, true},
    {"both empty, no", L"", L"", IDNO, kNoPassword, false}, {"japanese", L"合言葉", L"合言葉", 0, nullptr, true},
};

TEST_F(CPasswordDialogTest, OkChecksTheRepeatedPassword)
{
    for (const CASE& c : kCases)
    {
        SCOPED_TRACE(c.label);
        Boxes() = MessageBoxes();
        if (c.answer)
            Boxes().answers.push_back(c.answer);
        CPasswordDialog dlg;
        std::wstring before1 = L"x", before2 = L"x", after1, after2;
        Script script;
        script.On(L"パスワード設定", [&](HWND h) {
            before1 = ItemText(h, IDC_PWD_PASSWORD);
            before2 = ItemText(h, IDC_PWD_CONFIRM);
            SetDlgItemTextW(h, IDC_PWD_PASSWORD, c.password);
            SetDlgItemTextW(h, IDC_PWD_CONFIRM, c.confirm);
            Notify(h, IDOK, BN_CLICKED);
            if (!c.accepted)
            {
                after1 = ItemText(h, IDC_PWD_PASSWORD);
                after2 = ItemText(h, IDC_PWD_CONFIRM);
                Notify(h, IDCANCEL, BN_CLICKED);
            }
        });
        script.Start();
        INT_PTR r = dlg.DoModal();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(L"", before1);  // the current password is never shown
        EXPECT_EQ(L"", before2);
        if (c.box)
        {
            ASSERT_EQ(1u, Boxes().shown.size());
            EXPECT_EQ(c.box, Boxes().shown[0].text);
            EXPECT_EQ((UINT)(c.answer ? MB_YESNO : MB_OK), Boxes().shown[0].type & 0xF);
        }
        else
        {
            EXPECT_TRUE(Boxes().shown.empty());
        }
        if (c.accepted)
        {
            EXPECT_EQ(IDOK, r);
            EXPECT_STREQ(c.password, dlg.m_strPassword);
        }
        else
        {
            EXPECT_EQ(IDCANCEL, r);
            EXPECT_TRUE(dlg.m_strPassword.IsEmpty());
            EXPECT_EQ(c.password, after1);  // kept for correcting
            EXPECT_EQ(c.confirm, after2);
        }
    }
}

TEST_F(CPasswordDialogTest, FieldsMaskTheirText)
{
    CPasswordDialog dlg;
    LONG_PTR style1 = 0, style2 = 0;
    Script script;
    script.On(L"パスワード設定", [&](HWND h) {
        style1 = GetWindowLongPtrW(GetDlgItem(h, IDC_PWD_PASSWORD), GWL_STYLE);
        style2 = GetWindowLongPtrW(GetDlgItem(h, IDC_PWD_CONFIRM), GWL_STYLE);
        Notify(h, IDCANCEL, BN_CLICKED);
    });
    script.Start();
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(style1 & ES_PASSWORD);
    EXPECT_TRUE(style2 & ES_PASSWORD);
}

}  // namespace
