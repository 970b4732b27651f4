// The send-method page: delayed sending and its KB controls, the check list
// of well-known formats over the working list, and what OK writes.

#include "UiTestUtil.h"

#include "res/SettingsResource.h"
#include "ui/COptionSendDialog.h"

using namespace uitest;

namespace {

const Strings kWellKnown = {
    L"HTML Format", L"Rich Text Format", L"XML Spreadsheet", L"Art::GVML ClipFormat", L"GIF", L"JFIF", L"PNG"};

class COptionSendDialogTest : public UiTest
{
protected:
    INT_PTR RunPage(Script& script, COptionSendDialog& page) { return RunSheet(script, {&page}); }
    static void SetSendFormats(const Strings& names)
    {
        theApp.m_arrSendFormats.RemoveAll();
        for (const std::wstring& n : names)
            theApp.m_arrSendFormats.Add(n.c_str());
    }
    static Strings ToStrings(const CStringArray& arr)
    {
        Strings s;
        for (INT_PTR i = 0; i < arr.GetSize(); i++)
            s.push_back(arr[i].GetString());
        return s;
    }
    static bool Enabled(HWND p, int id) { return IsWindowEnabled(GetDlgItem(p, id)) != FALSE; }
};

TEST_F(COptionSendDialogTest, DelayBoxEnablesTheKBControls)
{
    theApp.m_bDelay = FALSE;
    theApp.m_nNoDelayText = 7;
    COptionSendDialog page;
    bool editBefore = true, labelBefore = true, editAfter = false, labelAfter = false, applyAfter = false;
    std::wstring kb;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND p = CurrentPage(h);
        kb = ItemText(p, IDC_SEND_NODELAY_TEXT);
        editBefore = Enabled(p, IDC_SEND_NODELAY_TEXT);
        labelBefore = Enabled(p, IDC_SEND_NODELAY_LABEL);
        PressApply(h);  // the KB text filled at start counts as a change
        SendMessageW(GetDlgItem(p, IDC_SEND_DELAY), BM_CLICK, 0, 0);
        editAfter = Enabled(p, IDC_SEND_NODELAY_TEXT);
        labelAfter = Enabled(p, IDC_SEND_NODELAY_LABEL);
        applyAfter = ApplyEnabled(h);
        PressOK(h);
    });
    EXPECT_EQ(IDOK, RunPage(script, page));
    EXPECT_EQ(L"7", kb);
    EXPECT_FALSE(editBefore);
    EXPECT_FALSE(labelBefore);
    EXPECT_TRUE(editAfter);
    EXPECT_TRUE(labelAfter);
    EXPECT_TRUE(applyAfter);
    DWORD v = 0;
    EXPECT_TRUE(ReadDword(L"Settings", L"Delay", &v));
    EXPECT_EQ(1u, v);
    EXPECT_TRUE(theApp.m_bDelay);
}

TEST_F(COptionSendDialogTest, KBTextIsParsedLikeWtol)
{
    struct
    {
        LPCWSTR typed;
        DWORD stored;
    } cases[] = {
        {L"16", 16}, {L"12ab", 12}, {L"abc", 0}, {L"", 0}, {L"  -3", (DWORD)-3}, {L"0", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.typed, c.typed + wcslen(c.typed)));
        DeleteProfile();
        COptionSendDialog page;
        Script script;
        script.On(L"設定", [&](HWND h) {
            SetDlgItemTextW(CurrentPage(h), IDC_SEND_NODELAY_TEXT, c.typed);
            PressOK(h);
        });
        EXPECT_EQ(IDOK, RunPage(script, page));
        DWORD v = 99;
        EXPECT_TRUE(ReadDword(L"Settings", L"NoDelayText", &v));
        EXPECT_EQ(c.stored, v);
        EXPECT_EQ((int)c.stored, theApp.m_nNoDelayText);
        // Untouched list: "Formats3" is not written.
        EXPECT_FALSE(ValueExists(L"Settings", L"Formats3"));
    }
}

TEST_F(COptionSendDialogTest, CheckListEditsTheWorkingListIgnoringCase)
{
    struct
    {
        const char* label;
        Strings start;
        int clickRow;          // -1: none
        Strings shownChecked;  // rows ticked when the page opened
        Strings result;        // the working list afterwards
        bool modified;
    } cases[] = {
        {"ticks follow the list, any case",
         {L"png", L"Custom", L"html format"},
         -1,
         {L"HTML Format", L"PNG"},
         {L"png", L"Custom", L"html format"},
         false},
        {"untick removes every case", {L"PNG", L"Custom", L"png", L"Png"}, 6, {L"PNG"}, {L"Custom"}, true},
        {"tick appends at the end", {L"Custom"}, 4, {}, {L"Custom", L"GIF"}, true},
        {"untick the last one", {L"JFIF"}, 5, {L"JFIF"}, {}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        DeleteProfile();
        SetSendFormats(c.start);
        COptionSendDialog page;
        Strings rows, checked;
        Script script;
        script.On(L"設定", [&](HWND h) {
            HWND hList = GetDlgItem(CurrentPage(h), IDC_SEND_FORMATS);
            rows = ListRows(hList);
            for (int i = 0; i < (int)rows.size(); i++)
                if (RowCheck(hList, i) == 1)
                    checked.push_back(rows[i]);
            if (c.clickRow >= 0)
                ClickCheck(hList, c.clickRow);
            PressOK(h);
        });
        EXPECT_EQ(IDOK, RunPage(script, page));
        EXPECT_EQ(kWellKnown, rows);
        EXPECT_EQ(c.shownChecked, checked);
        EXPECT_EQ(c.result, ToStrings(page.m_arrFormats));
        std::wstring stored;
        EXPECT_EQ(c.modified, ReadString(L"Settings", L"Formats3", &stored));
        if (c.modified)
        {
            std::wstring expected;
            for (size_t i = 0; i < c.result.size(); i++)
                expected += (i ? L"," : L"") + (L"\"" + c.result[i] + L"\"");
            EXPECT_EQ(expected, stored);  // an emptied list is the empty text
            EXPECT_EQ(c.result, ToStrings(theApp.m_arrSendFormats));
        }
        else
        {
            EXPECT_EQ(c.start, ToStrings(theApp.m_arrSendFormats));
        }
    }
}

TEST_F(COptionSendDialogTest, SpaceBarTogglesTheCaretRow)
{
    SetSendFormats({});
    COptionSendDialog page;
    int check = -1;
    Script script;
    script.On(L"設定", [&](HWND h) {
        HWND hList = GetDlgItem(CurrentPage(h), IDC_SEND_FORMATS);
        SendMessageW(hList, LB_SETCURSEL, 2, 0);
        SendMessageW(hList, WM_KEYDOWN, VK_SPACE, 0);
        check = RowCheck(hList, 2);
        PressCancel(h);
    });
    EXPECT_EQ(IDCANCEL, RunPage(script, page));
    EXPECT_EQ(1, check);
    EXPECT_EQ((Strings{L"XML Spreadsheet"}), ToStrings(page.m_arrFormats));
    EXPECT_FALSE(ValueExists(L"Settings", L"Formats3"));  // cancelled
    EXPECT_TRUE(theApp.m_arrSendFormats.IsEmpty());
}

}  // namespace
