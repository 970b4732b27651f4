#pragma once
// Helpers for driving the settings sheet and the small dialogs in tests: a
// script of steps run from a thread timer inside the modal loops, answered
// message boxes, the windows of this thread, and the common set-up.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "RegistryTestUtil.h"
#include "afx/Afx.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "app/PublicKeyStore.h"
#include "ui/CGeneratingRSAKeyDialog.h"
#include "net/CDestinationDataArray.h"

namespace uitest {

using namespace regtest;  // the test prefix's registry

typedef std::vector<std::wstring> Strings;

// ---- message boxes --------------------------------------------------------

struct BOX
{
    std::wstring text;
    UINT type;
    std::wstring caption;
};

struct MessageBoxes
{
    std::vector<BOX> shown;
    std::deque<int> answers;  // taken in order; empty: IDOK for MB_OK, IDYES for MB_YESNO
};

inline MessageBoxes& Boxes()
{
    static MessageBoxes boxes;
    return boxes;
}

inline int RecordingMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type)
{
    Boxes().shown.push_back({text ? text : L"", type, caption ? caption : L""});
    if (!Boxes().answers.empty())
    {
        int a = Boxes().answers.front();
        Boxes().answers.pop_front();
        return a;
    }
    return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
}

// ---- windows of this thread -----------------------------------------------

inline HWND FindTopWindow(LPCWSTR caption)
{
    struct FIND
    {
        LPCWSTR caption;
        HWND found;
    } f = {caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            FIND* pf = reinterpret_cast<FIND*>(lp);
            wchar_t text[256] = {};
            GetWindowTextW(h, text, 255);
            if (IsWindowVisible(h) && wcscmp(text, pf->caption) == 0)
            {
                pf->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

inline std::wstring WindowText(HWND h)
{
    wchar_t text[1024] = {};
    GetWindowTextW(h, text, 1023);
    return text;
}

inline std::wstring ItemText(HWND hDlg, int id) { return WindowText(GetDlgItem(hDlg, id)); }

// WM_COMMAND from a control, as a click or a change notification sends it.
inline void Notify(HWND hDlg, int id, int code)
{
    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
}

// The same, posted: for commands that open a modal dialog of their own.
inline void PostNotify(HWND hDlg, int id, int code)
{
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
}

// ---- the property sheet ---------------------------------------------------

const int kApplyButton = 0x3021;

inline HWND Sheet() { return FindTopWindow(L"設定"); }

inline HWND CurrentPage(HWND hSheet)
{
    return reinterpret_cast<HWND>(SendMessageW(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

inline std::vector<std::wstring> TabCaptions(HWND hSheet)
{
    std::vector<std::wstring> captions;
    HWND hTab = reinterpret_cast<HWND>(SendMessageW(hSheet, PSM_GETTABCONTROL, 0, 0));
    int n = static_cast<int>(SendMessageW(hTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; i++)
    {
        wchar_t text[128] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 127;
        SendMessageW(hTab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        captions.push_back(text);
    }
    return captions;
}

inline void SelectTab(HWND hSheet, int index) { SendMessageW(hSheet, PSM_SETCURSEL, index, 0); }

inline bool ApplyEnabled(HWND hSheet) { return IsWindowEnabled(GetDlgItem(hSheet, kApplyButton)) != FALSE; }

// The sheet's buttons as a click sends them. OK and Cancel are posted: the
// sheet ends in its own loop.
inline void PressApply(HWND hSheet) { Notify(hSheet, kApplyButton, BN_CLICKED); }
inline void PressOK(HWND hSheet) { PostNotify(hSheet, IDOK, BN_CLICKED); }
inline void PressCancel(HWND hSheet) { PostNotify(hSheet, IDCANCEL, BN_CLICKED); }
inline void PressHelp(HWND hSheet) { Notify(hSheet, IDHELP, BN_CLICKED); }

// ---- typing -----------------------------------------------------------------

// Replaces an edit's text as a user does: focus, select all, then one WM_CHAR
// per character (a backspace first takes the selection away).
inline void TypeInto(HWND hEdit, const std::wstring& text)
{
    SetFocus(hEdit);
    SendMessageW(hEdit, EM_SETSEL, 0, -1);
    SendMessageW(hEdit, WM_CHAR, VK_BACK, 1);
    for (wchar_t ch : text)
        SendMessageW(hEdit, WM_CHAR, ch, 1);
}

// Port field texts and what they give: 0 for a text that must be refused.
struct PORT_TEXT
{
    LPCWSTR text;
    int nPort;
};

inline const std::vector<PORT_TEXT>& PortTexts()
{
    static const std::vector<PORT_TEXT> texts = {
        {L"abc", 0},
        {L"0", 0},
        {L"65536", 0},
        {L"70000", 0},
        {L"-5", 0},
        {L"", 0},
        {L"80x", 0},
        {L"1", 1},
        {L"65535", 65535},
        {L"080", 80},
        // White space around the number, ASCII and full-width.
        {L" 80", 80},
        {L"80 ", 80},
        {L"\t80\t", 80},
        {L"\x3000"
         L"80\x3000",
         80},
        {L"   ", 0},
        // Full-width digits, as the input method types them, alone and mixed.
        {L"\xFF16\xFF10\xFF11\xFF12\xFF15", 60125},
        {L"6\xFF10"
         L"125",
         60125},
        {L"\xFF10", 0},
        {L"\xFF16\xFF15\xFF15\xFF13\xFF16", 0},
        // Still refused: a sign, a space inside, a full-width sign or letter.
        {L"+80", 0},
        {L"8 0", 0},
        {L"\xFF0B"
         L"80",
         0},
        {L"\xFF41", 0},
    };
    return texts;
}

const wchar_t kPortRefused[] = L"ポートには1から65535までの数字を指定してください。";

// ---- check lists ----------------------------------------------------------

// A click on the check box of a row, as the mouse sends it.
inline void ClickCheck(HWND hList, int row)
{
    RECT rc = {};
    SendMessageW(hList, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
    LPARAM pt = MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
    SendMessageW(hList, WM_LBUTTONDOWN, MK_LBUTTON, pt);
    SendMessageW(hList, WM_LBUTTONUP, 0, pt);
}

inline int RowCheck(HWND hList, int row) { return static_cast<int>(SendMessageW(hList, LB_GETITEMDATA, row, 0)); }

inline std::vector<std::wstring> ListRows(HWND hList)
{
    std::vector<std::wstring> rows;
    int n = static_cast<int>(SendMessageW(hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++)
    {
        wchar_t text[512] = {};
        SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        rows.push_back(text);
    }
    return rows;
}

// ---- scripts --------------------------------------------------------------

// Steps run one by one from a thread timer, so they run inside whatever
// modal loop is current. A step returns false to be tried again at the next
// tick (waiting for a window), true when it is done. A script that isn't done
// within its time presses Cancel on every dialog until the loops end.
class Script
{
public:
    typedef std::function<bool()> STEP;

    explicit Script(DWORD dwTimeoutMs = 20000) : m_dwTimeout(dwTimeoutMs) {}
    ~Script() { Stop(); }

    Script& Then(STEP step)
    {
        m_steps.push_back(step);
        return *this;
    }
    // A step that needs a window with this caption; it gets the window.
    Script& On(LPCWSTR caption, std::function<void(HWND)> action)
    {
        std::wstring strCaption = caption;
        return Then([strCaption, action]() {
            HWND h = FindTopWindow(strCaption.c_str());
            if (h == nullptr)
                return false;
            action(h);
            return true;
        });
    }

    void Start()
    {
        s_pCurrent = this;
        m_dwStart = GetTickCount();
        m_uTimer = SetTimer(nullptr, 0, 20, &Script::Tick);
    }
    void Stop()
    {
        if (m_uTimer != 0)
            KillTimer(nullptr, m_uTimer);
        m_uTimer = 0;
        if (s_pCurrent == this)
            s_pCurrent = nullptr;
    }
    bool Done() const { return m_steps.empty() && !m_bTimedOut; }
    bool TimedOut() const { return m_bTimedOut; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Script* p = s_pCurrent;
        if (p == nullptr)
            return;
        if (!p->m_bTimedOut && GetTickCount() - p->m_dwStart > p->m_dwTimeout)
        {
            p->m_bTimedOut = true;
            ADD_FAILURE() << "script timed out with " << p->m_steps.size() << " steps left";
        }
        if (p->m_bTimedOut)
        {
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND h, LPARAM) -> BOOL {
                    if (IsWindowVisible(h))
                        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                    return TRUE;
                },
                0);
            return;
        }
        if (p->m_steps.empty() || p->m_bRunning)
            return;
        // A step may open a nested modal loop; later steps run inside it.
        STEP step = p->m_steps.front();
        p->m_bRunning = true;
        bool bDone = step();
        p->m_bRunning = false;
        if (bDone)
            p->m_steps.pop_front();
    }

    static Script* s_pCurrent;
    std::deque<STEP> m_steps;
    DWORD m_dwTimeout;
    DWORD m_dwStart = 0;
    UINT_PTR m_uTimer = 0;
    bool m_bTimedOut = false;
    bool m_bRunning = false;
};

inline Script* Script::s_pCurrent = nullptr;

// ---- RSA key ----------------------------------------------------------------

// A key that a finished generation left: fixed numbers, live and stored.
// Not a working key; only its sameness is checked.
class KnownKey
{
public:
    KnownKey()
    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        theApp.m_bKeyPresent = TRUE;
        theApp.m_bnModulus.FromString(CString(L"0x") + CString(L'c', 319) + L"1");
        theApp.m_bnPrivateExponent.FromString(CString(L"0x") + CString(L'5', 319));
        m_n.Copy(theApp.m_bnModulus);
        m_d.Copy(theApp.m_bnPrivateExponent);
        SavePublicKey(&theApp);
        m_stored = ReadBinary(L"Network", L"PublicKey1280");
    }
    // The live key and the stored one are still this key.
    void ExpectKept() const
    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        EXPECT_TRUE(theApp.m_bKeyPresent);
        EXPECT_EQ(0, CBigNum::Compare(m_n, theApp.m_bnModulus)) << "the live modulus changed";
        EXPECT_EQ(0, CBigNum::Compare(m_d, theApp.m_bnPrivateExponent)) << "the live exponent changed";
        EXPECT_FALSE(m_stored.empty());
        EXPECT_TRUE(m_stored == ReadBinary(L"Network", L"PublicKey1280")) << "the stored key changed";
    }

private:
    CBigNum m_n, m_d;
    std::vector<BYTE> m_stored;
};

// Holds both prime searches of a key generation at their start until
// Release: a cancel pressed before then is in before any search has begun,
// so the key can't be finished first.
class SearchHold
{
public:
    SearchHold()
    {
        Event() = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_pfnOld = CGeneratingRSAKeyDialog::SetSearchHook([](int) { WaitForSingleObject(Event(), 60000); });
    }
    ~SearchHold()
    {
        Release();
        CGeneratingRSAKeyDialog::SetSearchHook(m_pfnOld);
        CloseHandle(Event());  // both searches have passed it: the run is over
        Event() = nullptr;
    }
    void Release() { SetEvent(Event()); }

private:
    // One hold at a time; the hook is a plain function.
    static HANDLE& Event()
    {
        static HANDLE h = nullptr;
        return h;
    }
    CGeneratingRSAKeyDialog::PFN_SEARCHHOOK m_pfnOld;
};

// The event-log lines queued since the last call (the queue is emptied).
inline Strings TakeLogLines()
{
    Strings lines;
    while (CString* p = LogQueue.Pop())
    {
        lines.push_back(p->GetString());
        delete p;
    }
    return lines;
}

inline bool AnyLineHas(const Strings& lines, const std::wstring& text)
{
    for (const auto& line : lines)
        if (line.find(text) != std::wstring::npos)
            return true;
    return false;
}

// Common set-up: the application's registry key, the message box hook, a
// clean profile and default live settings.
class UiTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        if (theApp.m_pszRegistryKey == nullptr)
            theApp.SetRegistryKey(L"Tamberlow");
    }
    void SetUp() override
    {
        DeleteProfile();
        Boxes() = MessageBoxes();
        m_pfnOldBox = AfxSetMessageBoxHook(RecordingMessageBox);
        ResetLiveSettings();
    }
    // The live settings as a fresh start with an empty registry loads them.
    static void ResetLiveSettings()
    {
        theApp.m_bSettingInitialized = TRUE;
        theApp.m_strPassword.Empty();
        theApp.m_nPort = 60125;
        theApp.m_nServer = 2;
        theApp.m_nRSAMode = 0;
        theApp.m_bKeyPresent = FALSE;
        theApp.m_bDelay = TRUE;
        theApp.m_nNoDelayText = 4;
        delete theApp.m_pDestinations;
        theApp.m_pDestinations = new CDestinationDataArray;
        theApp.m_arrSendFormats.RemoveAll();
        for (LPCWSTR name : {L"HTML Format", L"Rich Text Format", L"XML Spreadsheet", L"Art::GVML ClipFormat", L"GIF",
                             L"JFIF", L"PNG"})
            theApp.m_arrSendFormats.Add(name);
        theApp.m_arrSeenFormats.RemoveAll();
        theApp.m_nOnStart = 0;
        theApp.m_bShowBalloonOnClose = TRUE;
    }

    // Runs a settings sheet of these pages, opened on tab nSelect, while the
    // script runs.
    static INT_PTR RunSheet(Script& script, std::initializer_list<CPropertyPage*> pages, UINT nSelect = 0)
    {
        CPropertySheet sheet(L"設定", nullptr, nSelect);
        for (CPropertyPage* pPage : pages)
            sheet.AddPage(pPage);
        script.Start();
        INT_PTR r = sheet.DoModal();
        EXPECT_TRUE(script.Done());
        return r;
    }

    void TearDown() override
    {
        AfxSetMessageBoxHook(m_pfnOldBox);
        DeleteProfile();
    }

    AFX_MESSAGEBOX_HOOK m_pfnOldBox = nullptr;
};

}  // namespace uitest
