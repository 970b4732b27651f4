// A worker's state change reaches the frame through the window the frame
// publishes for other threads, never through the application's m_pMainWnd:
// the UI thread clears that and deletes its object while workers run.
#include "NetTestUtil.h"
#include "app/AppMessages.h"
#include "app/CAdoPtr.h"
#include "app/CBrinmoorApp.h"
#include "net/CSocketedThread.h"
#include <thread>

namespace {

HWND NewMessageWindow(LPCWSTR pszName)
{
    return ::CreateWindowExW(0, L"STATIC", pszName, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Whether a state change was posted to hWnd; takes them from the queue.
bool TakeStateChanged(HWND hWnd)
{
    MSG msg;
    bool bSeen = false;
    while (::PeekMessageW(&msg, hWnd, UWM_THREADSTATECHANGED, UWM_THREADSTATECHANGED, PM_REMOVE))
        bSeen = true;
    return bSeen;
}

TEST(SocketedThread, StateChangeGoesToThePublishedFrameWindowOnly)
{
    HWND hFrame = NewMessageWindow(L"published frame");
    ASSERT_NE(nullptr, hFrame);
    CWnd mainWnd;  // what m_pMainWnd points at; destroys its window at the end
    ASSERT_TRUE(mainWnd.Attach(NewMessageWindow(L"main window object")));
    CWnd* pOldMain = theApp.m_pMainWnd;
    HWND hOldFrame = theApp.m_hWndFrame;
    theApp.m_pMainWnd = &mainWnd;

    const struct
    {
        const char* name;
        HWND hPublished;
        bool bFrameTold;
    } cases[] = {
        {"frame published", hFrame, true},
        {"frame withdrawn", nullptr, false},
    };
    for (const auto& c : cases)
    {
        theApp.m_hWndFrame = c.hPublished;
        CAdoPtr<CSocketedThread> worker(new CSocketedThread());
        std::thread([&] { worker->SetStatus(1); }).join();  // as a worker's own thread does
        EXPECT_EQ(c.bFrameTold, TakeStateChanged(hFrame)) << c.name;
        EXPECT_FALSE(TakeStateChanged(mainWnd.m_hWnd)) << c.name << ": went through m_pMainWnd";
    }

    theApp.m_pMainWnd = pOldMain;
    theApp.m_hWndFrame = hOldFrame;
    ::DestroyWindow(hFrame);
}

}  // namespace
