// window: finds top-level windows of the desktop and works their message
// boxes, for tests that run the program as a process (and for people).
//
//   window wait <title> [timeout ms]
//       waits for a top-level window whose title starts with <title>; prints
//       "visible" or "hidden"; exit 1 when none came
//   window state <title>
//       prints "visible", "hidden" or "none" (exit 1 for none)
//   window msgbox <caption> [button id] [timeout ms]
//       waits for a message box with exactly this caption, prints its text as
//       UTF-8 and presses the button (default IDOK); exit 1 when none came
//   window click <caption> <control id> [timeout ms]
//       waits for a dialog with exactly this caption and clicks the control
//       (a check box, or a button that may end the dialog)
//   window text <title> <control class>
//       prints the text of every child control of that class, as UTF-8
//   window post <title> <message> <wParam> <lParam>
//       posts a message (numbers, 0x... allowed) to the window
//
// Titles given on the command line are matched as prefixes, so that an ASCII
// prefix finds a window with a longer (Japanese) title.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct FINDWINDOW
{
    const wchar_t* pszTitle;
    const wchar_t* pszClass;  // NULL: any class
    bool bExact;
    HWND hWndFound;
};

BOOL CALLBACK FindTopLevel(HWND hWnd, LPARAM lParam)
{
    FINDWINDOW* pFind = reinterpret_cast<FINDWINDOW*>(lParam);
    wchar_t title[512] = {};
    GetWindowTextW(hWnd, title, 512);
    size_t n = wcslen(pFind->pszTitle);
    bool bMatch = pFind->bExact ? wcscmp(title, pFind->pszTitle) == 0 : wcsncmp(title, pFind->pszTitle, n) == 0;
    if (bMatch && pFind->pszClass != nullptr)
    {
        wchar_t cls[256] = {};
        GetClassNameW(hWnd, cls, 256);
        bMatch = _wcsicmp(cls, pFind->pszClass) == 0;
    }
    if (!bMatch)
        return TRUE;
    pFind->hWndFound = hWnd;
    return FALSE;
}

HWND Find(const wchar_t* pszTitle, const wchar_t* pszClass = nullptr, bool bExact = false)
{
    FINDWINDOW find = {pszTitle, pszClass, bExact, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.hWndFound;
}

HWND WaitFor(const wchar_t* pszTitle, const wchar_t* pszClass, bool bExact, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        HWND hWnd = Find(pszTitle, pszClass, bExact);
        if (hWnd != nullptr || GetTickCount() - dwStart >= dwTimeout)
            return hWnd;
        Sleep(50);
    }
}

void PrintUtf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    fwrite(out.data(), 1, out.size(), stdout);
}

// The text of another process's window: WM_GETTEXT is marshalled across.
std::wstring WindowText(HWND hWnd)
{
    LRESULT n = SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got = SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

unsigned long Number(const wchar_t* s) { return wcstoul(s, nullptr, 0); }

int CmdWait(const wchar_t* pszTitle, DWORD dwTimeout)
{
    HWND hWnd = WaitFor(pszTitle, nullptr, false, dwTimeout);
    if (hWnd == nullptr)
    {
        printf("none\n");
        return 1;
    }
    printf(IsWindowVisible(hWnd) ? "visible\n" : "hidden\n");
    return 0;
}

struct FINDCHILD
{
    const wchar_t* pszClass;
    std::wstring* pOut;
};

BOOL CALLBACK CollectChildText(HWND hWnd, LPARAM lParam)
{
    FINDCHILD* pFind = reinterpret_cast<FINDCHILD*>(lParam);
    wchar_t cls[256] = {};
    GetClassNameW(hWnd, cls, 256);
    if (_wcsicmp(cls, pFind->pszClass) == 0)
        *pFind->pOut += WindowText(hWnd) + L"\n";
    return TRUE;
}

int CmdMsgBox(const wchar_t* pszCaption, UINT nButton, DWORD dwTimeout)
{
    HWND hWnd = WaitFor(pszCaption, L"#32770", true, dwTimeout);
    if (hWnd == nullptr)
    {
        fwprintf(stderr, L"window: no message box came\n");
        return 1;
    }
    // The box's text is its static control 0xFFFF.
    HWND hText = GetDlgItem(hWnd, 0xFFFF);
    PrintUtf8((hText ? WindowText(hText) : std::wstring()) + L"\n");
    fflush(stdout);
    HWND hButton = GetDlgItem(hWnd, static_cast<int>(nButton));
    if (hButton != nullptr)
        PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
    else
        PostMessageW(hWnd, WM_COMMAND, nButton, 0);
    // Wait until the box has gone, so that the next step sees what follows it.
    for (int i = 0; i < 100 && IsWindow(hWnd); ++i)
        Sleep(50);
    return IsWindow(hWnd) ? 1 : 0;
}

int CmdClick(const wchar_t* pszCaption, int nControl, DWORD dwTimeout)
{
    HWND hWnd = WaitFor(pszCaption, L"#32770", true, dwTimeout);
    if (hWnd == nullptr)
    {
        fwprintf(stderr, L"window: no dialog came\n");
        return 1;
    }
    HWND hControl = GetDlgItem(hWnd, nControl);
    if (hControl == nullptr)
    {
        fwprintf(stderr, L"window: the dialog has no control %d\n", nControl);
        return 1;
    }
    // Sent, not posted: the click has been handled when this returns.
    SendMessageW(hControl, BM_CLICK, 0, 0);
    return 0;
}

int Usage()
{
    fwprintf(stderr, L"usage: window wait <title> [timeout ms]\n"
                     L"       window state <title>\n"
                     L"       window msgbox <caption> [button id] [timeout ms]\n"
                     L"       window click <caption> <control id> [timeout ms]\n"
                     L"       window text <title> <control class>\n"
                     L"       window post <title> <message> <wParam> <lParam>\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 3)
        return Usage();
    std::wstring cmd = argv[1];
    if (cmd == L"wait" && argc <= 4)
        return CmdWait(argv[2], argc == 4 ? Number(argv[3]) : 10000);
    if (cmd == L"state" && argc == 3)
        return CmdWait(argv[2], 0);
    if (cmd == L"msgbox" && argc <= 5)
        return CmdMsgBox(argv[2], argc >= 4 ? Number(argv[3]) : IDOK, argc == 5 ? Number(argv[4]) : 10000);
    if (cmd == L"click" && (argc == 4 || argc == 5))
        return CmdClick(argv[2], static_cast<int>(Number(argv[3])), argc == 5 ? Number(argv[4]) : 10000);
    if (cmd == L"text" && argc == 4)
    {
        HWND hWnd = Find(argv[2]);
        if (hWnd == nullptr)
            return 1;
        std::wstring out;
        FINDCHILD find = {argv[3], &out};
        EnumChildWindows(hWnd, CollectChildText, reinterpret_cast<LPARAM>(&find));
        PrintUtf8(out);
        return 0;
    }
    if (cmd == L"post" && argc == 6)
    {
        HWND hWnd = Find(argv[2]);
        if (hWnd == nullptr)
            return 1;
        return PostMessageW(hWnd, static_cast<UINT>(Number(argv[3])), static_cast<WPARAM>(Number(argv[4])),
                            static_cast<LPARAM>(Number(argv[5])))
                   ? 0
                   : 1;
    }
    return Usage();
}
