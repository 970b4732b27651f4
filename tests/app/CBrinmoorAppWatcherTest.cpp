// The start-event watcher: a start signal becomes ID_TRAY_OPEN posted to the
// window kept for it, dropped while there is none; the stop event ends it.

#include <gtest/gtest.h>

#include "app/CBrinmoorApp.h"
#include "res/resource.h"

namespace {

// Waits up to dwTimeout for a posted WM_COMMAND on this thread's queue.
bool ReceiveCommand(HWND hWnd, WPARAM& wParam, LPARAM& lParam, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, hWnd, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_COMMAND)
            {
                wParam = msg.wParam;
                lParam = msg.lParam;
                return true;
            }
        }
        if (GetTickCount() - dwStart >= dwTimeout)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
    }
}

TEST(StartEventWatcher, PostsOpenToTheKeptWindowAndEndsOnStop)
{
    HWND hWnd =
        CreateWindowExW(0, L"STATIC", L"frame stand-in", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    theApp.m_hStartEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    theApp.m_hStopEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    theApp.m_hWndFrame = nullptr;
    CWinThread* pThread = AfxBeginThread(StartEventWatcherProc, nullptr);
    ASSERT_NE(nullptr, pThread);
    HANDLE hThread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), pThread->m_hThread, GetCurrentProcess(), &hThread,
                                SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0));

    // No frame yet (a first-run sheet is open): the signal is dropped.
    SetEvent(theApp.m_hStartEvent);
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    EXPECT_FALSE(ReceiveCommand(hWnd, wParam, lParam, 300));

    theApp.m_hWndFrame = hWnd;
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i == 0 ? "first signal" : "second signal");
        SetEvent(theApp.m_hStartEvent);
        ASSERT_TRUE(ReceiveCommand(hWnd, wParam, lParam, 15000));
        EXPECT_EQ(static_cast<WPARAM>(ID_TRAY_OPEN), wParam);
        EXPECT_EQ(0, lParam);
    }

    SetEvent(theApp.m_hStopEvent);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 15000)) << "the watcher did not end";
    DWORD dwExit = 99;
    GetExitCodeThread(hThread, &dwExit);
    EXPECT_EQ(0u, dwExit);

    CloseHandle(hThread);
    theApp.m_hStartEvent.Reset();
    theApp.m_hStopEvent.Reset();
    theApp.m_hWndFrame = nullptr;
    DestroyWindow(hWnd);
}

}  // namespace
