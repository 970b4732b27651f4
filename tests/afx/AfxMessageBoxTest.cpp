#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "afx/AfxMessageBox.h"
#include "afx/CWinApp.h"

namespace {

struct Shown
{
    std::wstring text, caption;
    UINT type;
};
std::vector<Shown> g_shown;

int RecordingHook(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_shown.push_back({text, caption ? caption : L"(null)", type});
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace

TEST(AfxMessageBoxTest, GoesThroughHookWithAppTitle)
{
    CWinApp app(L"Varnel3");
    g_shown.clear();
    AFX_MESSAGEBOX_HOOK previous = AfxSetMessageBoxHook(RecordingHook);
    EXPECT_NE(nullptr, previous);
    EXPECT_EQ(IDOK, AfxMessageBox(L"\x30BF\x30B9\x30AF"));
    EXPECT_EQ(IDNO, AfxMessageBox(L"delete?", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDOK, AfxMessageBox(54321u, MB_OK));  // no such string
    EXPECT_EQ(RecordingHook, AfxSetMessageBoxHook(previous));

    ASSERT_EQ(3u, g_shown.size());
    EXPECT_EQ(L"\x30BF\x30B9\x30AF", g_shown[0].text);
    EXPECT_EQ(UINT(MB_OK), g_shown[0].type);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), g_shown[1].type);
    for (const Shown& s : g_shown)
        EXPECT_EQ(L"Varnel3", s.caption);
    EXPECT_NE(std::wstring::npos, g_shown[2].text.find(L"54321")) << "missing string is named";
}
