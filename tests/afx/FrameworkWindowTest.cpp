// The window layer against the real window manager: message-map dispatch and
// inheritance, creation and its failures, subclassing, windows on a worker thread.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "afx/Afx.h"

namespace {

const UINT WM_TEST_A = WM_APP + 100;
const UINT WM_TEST_B = WM_APP + 101;
const UINT WM_TEST_UNMAPPED = WM_APP + 102;
UINT RegisteredTestMessage = 0;

class CTestWnd : public CWnd
{
public:
    int m_nA = 0, m_nB = 0, m_nRegistered = 0, m_nCommand = 0, m_nClicked = 0, m_nNotify = 0;
    int m_nPostNcDestroy = 0;
    BOOL m_bFailCreate = FALSE;

    BOOL CreatePlain()
    {
        return CreateEx(0, AfxRegisterWndClass(0), L"test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr);
    }

protected:
    LRESULT OnTestA(WPARAM wParam, LPARAM lParam)
    {
        m_nA++;
        return static_cast<LRESULT>(wParam + lParam);
    }
    virtual LRESULT OnTestB(WPARAM, LPARAM)
    {
        m_nB++;
        return 1;
    }
    LRESULT OnRegistered(WPARAM, LPARAM)
    {
        m_nRegistered++;
        return 7;
    }
    void OnCommand100() { m_nCommand++; }
    void OnClicked101() { m_nClicked++; }
    void OnNotify102(NMHDR* pNMHDR, LRESULT* pResult)
    {
        m_nNotify++;
        *pResult = 55;
    }
    afx_msg int OnCreate(LPCREATESTRUCT lpcs)
    {
        if (m_bFailCreate)
            return -1;
        return CWnd::OnCreate(lpcs);
    }
    void PostNcDestroy() override { m_nPostNcDestroy++; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CWnd)
    ON_WM_CREATE()
    ON_MESSAGE(WM_TEST_A, &CTestWnd::OnTestA)
    ON_MESSAGE(WM_TEST_B, &CTestWnd::OnTestB)
    ON_REGISTERED_MESSAGE(RegisteredTestMessage, &CTestWnd::OnRegistered)
    ON_COMMAND(100, &CTestWnd::OnCommand100)
    ON_BN_CLICKED(101, &CTestWnd::OnClicked101)
    ON_NOTIFY(NM_CLICK, 102, &CTestWnd::OnNotify102)
END_MESSAGE_MAP()

// Overrides one message in its own map; the rest come from the base's map.
class CDerivedTestWnd : public CTestWnd
{
public:
    int m_nDerivedA = 0;

protected:
    LRESULT OnTestAFirst(WPARAM, LPARAM)
    {
        m_nDerivedA++;
        return 99;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestWnd, CTestWnd)
    ON_MESSAGE(WM_TEST_A, &CDerivedTestWnd::OnTestAFirst)
END_MESSAGE_MAP()

class FrameworkWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { RegisteredTestMessage = RegisterWindowMessageW(L"VarnelFrameworkTest"); }
};

TEST_F(FrameworkWindow, MessageMapRoutesEachKindOfEntry)
{
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePlain());
    EXPECT_EQ(5, wnd.SendMessage(WM_TEST_A, 2, 3)) << "ON_MESSAGE result";
    EXPECT_EQ(7, wnd.SendMessage(RegisteredTestMessage)) << "ON_REGISTERED_MESSAGE result";
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    // A different notification from the same control is not a click.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    NMHDR hdr = {wnd.m_hWnd, 102, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(55, wnd.SendMessage(WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&hdr))) << "ON_NOTIFY result";
    hdr.idFrom = 103;
    EXPECT_EQ(0, wnd.SendMessage(WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&hdr))) << "other control id";
    EXPECT_EQ(0, wnd.SendMessage(WM_TEST_UNMAPPED, 1, 1)) << "unmapped message: DefWindowProc";
    EXPECT_EQ(1, wnd.m_nA);
    EXPECT_EQ(1, wnd.m_nRegistered);
    EXPECT_EQ(1, wnd.m_nCommand);
    EXPECT_EQ(1, wnd.m_nClicked);
    EXPECT_EQ(1, wnd.m_nNotify);
    wnd.DestroyWindow();
}

TEST_F(FrameworkWindow, DerivedMapComesFirstAndBaseEntriesStillApply)
{
    CDerivedTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePlain());
    EXPECT_EQ(99, wnd.SendMessage(WM_TEST_A));
    EXPECT_EQ(1, wnd.SendMessage(WM_TEST_B));
    EXPECT_EQ(1, wnd.m_nDerivedA);
    EXPECT_EQ(0, wnd.m_nA);
    EXPECT_EQ(1, wnd.m_nB);
    wnd.DestroyWindow();
}

TEST_F(FrameworkWindow, HandleMapFollowsTheWindowsLife)
{
    CTestWnd wnd;
    ASSERT_TRUE(wnd.CreatePlain());
    HWND hWnd = wnd.m_hWnd;
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandle(hWnd));
    ASSERT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(1, wnd.m_nPostNcDestroy);
}

TEST_F(FrameworkWindow, DestroyingTheObjectDestroysItsWindow)
{
    HWND hWnd;
    {
        CTestWnd wnd;
        ASSERT_TRUE(wnd.CreatePlain());
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST_F(FrameworkWindow, FailedCreationEndsWithOnePostNcDestroy)
{
    struct CASE
    {
        const char* name;
        BOOL bFailCreate;
        LPCWSTR pszClass;  // NULL: a registered class
    } cases[] = {
        {"OnCreate returns -1", TRUE, nullptr},
        {"unknown window class", FALSE, L"NoSuchClassAnywhere"},
    };
    for (const CASE& c : cases)
    {
        CTestWnd wnd;
        wnd.m_bFailCreate = c.bFailCreate;
        LPCWSTR pszClass = c.pszClass != nullptr ? c.pszClass : AfxRegisterWndClass(0);
        EXPECT_FALSE(wnd.CreateEx(0, pszClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr)) << c.name;
        EXPECT_EQ(nullptr, wnd.m_hWnd) << c.name;
        EXPECT_EQ(1, wnd.m_nPostNcDestroy) << c.name;
    }
}

TEST_F(FrameworkWindow, RegisteredClassIsRegisteredOnce)
{
    LPCWSTR a = AfxRegisterWndClass(CS_DBLCLKS, nullptr, nullptr, nullptr);
    LPCWSTR b = AfxRegisterWndClass(CS_DBLCLKS, nullptr, nullptr, nullptr);
    LPCWSTR c = AfxRegisterWndClass(0, nullptr, nullptr, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(0, wcscmp(a, c)) << "a different style is a different class";
    WNDCLASSW wc = {};
    ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), a, &wc));
    EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), wc.style);
}

// A control's own procedure keeps working under the object; the map sees first.
class CCountingEdit : public CEdit
{
public:
    int m_nGetDlgCode = 0;

protected:
    afx_msg UINT OnGetDlgCode()
    {
        m_nGetDlgCode++;
        return CEdit::OnGetDlgCode() & ~DLGC_HASSETSEL;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingEdit, CEdit)
    ON_WM_GETDLGCODE()
END_MESSAGE_MAP()

TEST_F(FrameworkWindow, SubclassedControlKeepsItsOwnBehaviour)
{
    CTestWnd parent;
    ASSERT_TRUE(parent.CreatePlain());
    HWND hEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE, 0, 0, 50, 20, parent.m_hWnd,
                                 reinterpret_cast<HMENU>(5), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, hEdit);
    UINT nPlain = static_cast<UINT>(SendMessageW(hEdit, WM_GETDLGCODE, 0, 0));
    ASSERT_TRUE(nPlain & DLGC_HASSETSEL) << "a multi-line edit asks for select-all on focus";

    CCountingEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(::GetDlgItem(parent.m_hWnd, 5)));
    EXPECT_FALSE(edit.SubclassWindow(hEdit)) << "already attached";
    UINT nCode = static_cast<UINT>(edit.SendMessage(WM_GETDLGCODE));
    EXPECT_EQ(nPlain & ~DLGC_HASSETSEL, nCode);
    EXPECT_EQ(1, edit.m_nGetDlgCode);

    edit.SetWindowText(L"abc");  // the edit's own procedure, under ours
    CString str;
    edit.GetWindowText(str);
    EXPECT_STREQ(L"abc", str);
    edit.SetSel(1, 2);
    DWORD dwStart = 0, dwEnd = 0;
    edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    EXPECT_EQ(1u, dwStart);
    EXPECT_EQ(2u, dwEnd);

    parent.DestroyWindow();
    EXPECT_FALSE(IsWindow(hEdit));
}

TEST_F(FrameworkWindow, ChildDestroyedWithParentLeavesItsObjectDetached)
{
    CTestWnd parent;
    ASSERT_TRUE(parent.CreatePlain());
    CCountingEdit edit;
    ASSERT_TRUE(edit.CreateEx(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, parent.m_hWnd, reinterpret_cast<HMENU>(6)));
    EXPECT_EQ(&edit, CWnd::FromHandlePermanent(::GetDlgItem(parent.m_hWnd, 6)));
    parent.DestroyWindow();
    EXPECT_EQ(nullptr, edit.m_hWnd);
}

TEST_F(FrameworkWindow, WindowOnAWorkerThreadIsReachedFromAnyThread)
{
    CTestWnd wnd;
    HANDLE hReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD dwOwnerThread = 0;
    BOOL bCreated = FALSE;
    LPCWSTR pszClass = AfxRegisterWndClass(0);  // registered here, used there
    std::thread worker([&] {
        // A hidden top-level window of style 0, as a clipboard owner is made.
        bCreated = wnd.CreateEx(0, pszClass, L"", 0, CRect(0, 0, 0, 0), nullptr, 0);
        dwOwnerThread = GetCurrentThreadId();
        SetEvent(hReady);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        wnd.DestroyWindow();  // on its own thread
        CWnd::DeleteTempMap();
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hReady, 10000));
    ASSERT_TRUE(bCreated);
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd)) << "the map is shared by all threads";
    EXPECT_EQ(dwOwnerThread, GetWindowThreadProcessId(wnd.m_hWnd, nullptr));
    EXPECT_EQ(9, wnd.SendMessage(WM_TEST_A, 4, 5)) << "handled on the worker, answered here";
    PostThreadMessageW(dwOwnerThread, WM_QUIT, 0, 0);
    worker.join();
    CloseHandle(hReady);
    EXPECT_EQ(1, wnd.m_nA);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

// Default() is the window procedure's handling of the message being handled.
class CDefaultTextWnd : public CWnd
{
public:
    int m_nSetText = 0;

protected:
    LRESULT OnSetText(WPARAM, LPARAM)
    {
        m_nSetText++;
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDefaultTextWnd, CWnd)
    ON_MESSAGE(WM_SETTEXT, &CDefaultTextWnd::OnSetText)
END_MESSAGE_MAP()

TEST_F(FrameworkWindow, DefaultDoesTheDefaultProcessingOfTheCurrentMessage)
{
    CDefaultTextWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"first", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    wnd.SetWindowText(L"second");
    CString str;
    wnd.GetWindowText(str);
    EXPECT_STREQ(L"second", str);
    EXPECT_EQ(1, wnd.m_nSetText);
    wnd.DestroyWindow();
}

TEST_F(FrameworkWindow, FrameFillsItsClientAreaWithThePaneAndDeletesItselfWhenDestroyed)
{
    static int nDeleted;
    nDeleted = 0;
    struct CTestFrame : public CFrameWnd
    {
        ~CTestFrame() override { nDeleted++; }
    };
    CTestFrame* pFrame = new CTestFrame;
    ASSERT_TRUE(pFrame->LoadFrame(128, WS_OVERLAPPEDWINDOW)) << "no resources: no menu and no icon, still a frame";
    HWND hFrame = pFrame->m_hWnd;
    CWnd* pPane = new CWnd;
    ASSERT_TRUE(pPane->CreateEx(0, AfxRegisterWndClass(0), L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, hFrame,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST))));
    pFrame->MoveWindow(10, 10, 300, 200);
    CRect rcClient, rcPane;
    pFrame->GetClientRect(&rcClient);
    pPane->GetWindowRect(&rcPane);
    pFrame->ScreenToClient(&rcPane);
    EXPECT_EQ(rcClient, rcPane);
    EXPECT_NE(0u, pFrame->GetExStyle() & WS_EX_CLIENTEDGE) << "frames get a client edge by default";
    pFrame->DestroyWindow();
    EXPECT_EQ(1, nDeleted);
    EXPECT_FALSE(IsWindow(hFrame));
    EXPECT_EQ(nullptr, pPane->m_hWnd);
    delete pPane;
}

class CThrowingWnd : public CWnd
{
protected:
    LRESULT OnThrowMemory(WPARAM, LPARAM) { AfxThrowMemoryException(); }
    LRESULT OnThrowOther(WPARAM, LPARAM) { AfxThrowInvalidArgException(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CWnd)
    ON_MESSAGE(WM_TEST_A, &CThrowingWnd::OnThrowMemory)
    ON_MESSAGE(WM_TEST_B, &CThrowingWnd::OnThrowOther)
END_MESSAGE_MAP()

std::vector<std::pair<UINT, BOOL>> g_faults;

TEST_F(FrameworkWindow, ExceptionFromAHandlerStopsAtTheWindowProcedureAndIsReported)
{
    g_faults.clear();
    AfxWndProcFaultHook = [](UINT message, BOOL bOutOfMemory) { g_faults.push_back({message, bOutOfMemory}); };
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(0, wnd.SendMessage(WM_TEST_A));
    EXPECT_EQ(0, wnd.SendMessage(WM_TEST_B));
    AfxWndProcFaultHook = nullptr;
    ASSERT_EQ(2u, g_faults.size());
    EXPECT_EQ(WM_TEST_A, g_faults[0].first);
    EXPECT_TRUE(g_faults[0].second) << "out of memory";
    EXPECT_EQ(WM_TEST_B, g_faults[1].first);
    EXPECT_FALSE(g_faults[1].second);
    wnd.SetWindowText(L"still alive");
    CString str;
    wnd.GetWindowText(str);
    EXPECT_STREQ(L"still alive", str);
    wnd.DestroyWindow();
}

}  // namespace
