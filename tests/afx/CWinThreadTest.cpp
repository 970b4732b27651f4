#include <gtest/gtest.h>

#include <atomic>

#include "afx/CException.h"
#include "afx/CWinThread.h"

namespace {

struct Probe
{
    HANDLE hEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> priority{-999};
    std::atomic<LPVOID> param{nullptr};
    ~Probe() { CloseHandle(hEnded); }
};

UINT __cdecl ProbeProc(LPVOID p)
{
    Probe* probe = static_cast<Probe*>(p);
    probe->param = p;
    probe->priority = GetThreadPriority(GetCurrentThread());
    SetEvent(probe->hEnded);
    return 7;
}

// Counts deletions so the test can see the auto-delete.
std::atomic<int> g_deleted{0};
struct CountingThread : CWinThread
{
    using CWinThread::CWinThread;
    ~CountingThread() override { g_deleted++; }
};

UINT __cdecl ThrowingProc(LPVOID) { throw CInvalidArgException(); }

}  // namespace

TEST(AfxBeginThreadTest, RunsAtRequestedPriorityFromTheStart)
{
    const int priorities[] = {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_LOWEST,
                              THREAD_PRIORITY_ABOVE_NORMAL};
    for (int prio : priorities)
    {
        Probe probe;
        CWinThread* t = AfxBeginThread(ProbeProc, &probe, prio);
        ASSERT_NE(nullptr, t) << "priority " << prio;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hEnded, 10000)) << "priority " << prio;
        EXPECT_EQ(prio, probe.priority.load()) << "priority seen by the thread";
        EXPECT_EQ(&probe, probe.param.load());
    }
}

TEST(AfxBeginThreadTest, SuspendedThreadKeepsObjectAndExitCode)
{
    Probe probe;
    CWinThread* t = AfxBeginThread(ProbeProc, &probe, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, t);
    EXPECT_NE(nullptr, t->m_hThread);
    EXPECT_NE(0u, t->m_nThreadID);
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, ::GetThreadPriority(t->m_hThread));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(probe.hEnded, 100)) << "ran while suspended";
    t->m_bAutoDelete = FALSE;
    t->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 10000));
    DWORD code = 0;
    GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(7u, code);
    delete t;
}

TEST(AfxBeginThreadTest, AutoDeleteFreesTheObjectWhenTheThreadEnds)
{
    g_deleted = 0;
    Probe probe;
    CountingThread* t = new CountingThread(ProbeProc, &probe);
    ASSERT_TRUE(t->CreateThread());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(probe.hEnded, 10000));
    for (int i = 0; i < 500 && g_deleted == 0; ++i)
        Sleep(10);
    EXPECT_EQ(1, g_deleted.load());
}

TEST(AfxBeginThreadTest, NoProcedureGivesNull) { EXPECT_EQ(nullptr, AfxBeginThread(nullptr, nullptr)); }

TEST(AfxBeginThreadTest, UncaughtFrameworkExceptionEndsOnlyTheThread)
{
    CWinThread* t = AfxBeginThread(ThrowingProc, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, t);
    t->m_bAutoDelete = FALSE;
    t->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 10000));
    DWORD code = 0;
    GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(0xFFFFFFFFu, code);
    delete t;
}
