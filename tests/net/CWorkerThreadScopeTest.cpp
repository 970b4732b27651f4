// The three kinds of worker end their list membership on every way out; the
// end of the program waits for the workers' threads themselves and gives up
// on a worker that is stuck in a call the stop can't interrupt.
#include "NetTestUtil.h"
#include "net/CListenerThread.h"
#include "net/CReceiverThread.h"
#include "net/CSenderThread.h"
#include "net/CSocketedThreadList.h"
#include "net/CWorkerThreadScope.h"
#include "app/CBrinmoorApp.h"
#include <atomic>
#include <stdexcept>
#include <thread>

using namespace nettest;

namespace {

struct WORKERKIND
{
    const char* pszName;
    CSocketedThreadList* pList;
    AFX_THREADPROC pfnProc;
    const wchar_t* pszLogKind;
    CSocketedThread* (*pfnNew)();
};

CSocketedThread* NewSender()
{
    CSenderThread* p = new CSenderThread();
    p->m_strHost = L"127.0.0.1";
    p->m_nPort = FreePort();
    return p;
}

CSocketedThread* NewListener()
{
    CListenerThread* p = new CListenerThread();
    p->m_nPort = FreePort();
    return p;
}

CSocketedThread* NewReceiver()
{
    return new CReceiverThread(0);  // no connection: the job never gets that far
}

const WORKERKIND kKinds[] = {
    {"sender", &SenderThreadList, SenderThreadProc, L"送信", NewSender},
    {"listener", &ListenerThreadList, ListenerThreadProc, L"受信待機", NewListener},
    {"receiver", &ReceiverThreadList, ReceiverThreadProc, L"受信", NewReceiver},
};

// Sets one of the scope's hooks and restores it on every way out of a test.
template <CWorkerThreadScope::PFN_ENTERHOOK (*pfnSet)(CWorkerThreadScope::PFN_ENTERHOOK)>
class ScopeHook
{
public:
    explicit ScopeHook(CWorkerThreadScope::PFN_ENTERHOOK pfn) : m_pfnOld(pfnSet(pfn)) {}
    ~ScopeHook() { pfnSet(m_pfnOld); }

private:
    CWorkerThreadScope::PFN_ENTERHOOK m_pfnOld;
};
typedef ScopeHook<CWorkerThreadScope::SetEnterHook> EnterHook;
typedef ScopeHook<CWorkerThreadScope::SetLeaveHook> LeaveHook;

// Ends a StopAll that hangs from the outside, so that the test fails rather
// than waits for ever: pfnRelease lets the workers go after nMs.
bool ReturnsWithin(DWORD nMs, const std::function<void()>& stop, const std::function<void()>& release)
{
    HANDLE hDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread stopper([&] {
        stop();
        ::SetEvent(hDone);
    });
    bool bReturned = ::WaitForSingleObject(hDone, nMs) == WAIT_OBJECT_0;
    if (!bReturned)
        release();
    stopper.join();
    ::CloseHandle(hDone);
    return bReturned;
}

TEST(WorkerThreadScope, ExceptionEscapingTheJobStillEndsTheWorker)
{
    // A framework exception (an allocation failure) and any other one.
    static std::atomic<int> s_nThrow;
    EnterHook hook([](CSocketedThread*) {
        if (s_nThrow == 0)
            AfxThrowMemoryException();
        throw std::runtime_error("not a framework exception");
    });
    for (int nThrow : {0, 1})
    {
        s_nThrow = nThrow;
        for (const WORKERKIND& kind : kKinds)
        {
            SCOPED_TRACE(std::string(kind.pszName) + (nThrow == 0 ? ", memory exception" : ", other exception"));
            TakeLog();
            TakeStatus();
            CAdoPtr<CSocketedThread> worker(kind.pfnNew());
            ASSERT_TRUE(StartWorkerThread(kind.pList, worker.Get(), kind.pfnProc));
            EXPECT_TRUE(WaitUntil([&] { return worker->HasEnded() != FALSE; })) << "its thread never ended";
            EXPECT_TRUE(WaitUntil([&] { return kind.pList->GetCountLocked() == 0; })) << "never left its list";
            EXPECT_TRUE(kind.pList->StopAllWithin(10000));
            auto log = TakeLog();
            EXPECT_TRUE(HasLine(
                log, {std::wstring(L"【エラー】") + kind.pszLogKind + L"スレッドが予期しない例外で終了しました。"}))
                << Join(log);
        }
    }
}

// A worker held in a call that neither the stop flag nor the socket's abort
// reaches, until the test lets it go.
HANDLE g_hRelease = nullptr;

TEST(WorkerThreadScope, EndOfProgramGivesUpOnAStuckWorker)
{
    g_hRelease = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EnterHook hook([](CSocketedThread*) { ::WaitForSingleObject(g_hRelease, INFINITE); });
    std::vector<CAdoPtr<CSocketedThread>> workers;
    for (const WORKERKIND& kind : kKinds)
    {
        workers.push_back(kind.pfnNew());
        ASSERT_TRUE(StartWorkerThread(kind.pList, workers.back().Get(), kind.pfnProc)) << kind.pszName;
    }
    BOOL bAllEnded = TRUE;
    bool bReturned = ReturnsWithin(
        30000, [&] { bAllEnded = StopAllWorkersWithin(1000); }, [] { ::SetEvent(g_hRelease); });
    EXPECT_TRUE(bReturned) << "the end waited for the stuck workers";
    EXPECT_FALSE(bAllEnded);
    EXPECT_TRUE(WorkersLeftRunning());
    for (size_t i = 0; i < workers.size(); ++i)
    {
        // Given up on, not destroyed: still listed, still running, stopped.
        EXPECT_FALSE(workers[i]->HasEnded()) << kKinds[i].pszName;
        EXPECT_EQ(1, workers[i]->m_bStop.load()) << kKinds[i].pszName;
        EXPECT_EQ(1, kKinds[i].pList->GetCountLocked()) << kKinds[i].pszName;
    }

    // Let go, they end as usual.
    ::SetEvent(g_hRelease);
    for (const WORKERKIND& kind : kKinds)
        EXPECT_TRUE(kind.pList->StopAllWithin(10000)) << kind.pszName;
    ::CloseHandle(g_hRelease);
    g_hRelease = nullptr;
    TakeLog();
    TakeStatus();
}

// The process with a stuck worker ends in ExitInstance, before the globals
// that the worker still uses are destroyed.
TEST(WorkerThreadScopeDeathTest, ProgramWithAStuckWorkerEndsInExitInstance)
{
    EXPECT_EXIT(
        {
            EnterHook hook([](CSocketedThread*) { ::Sleep(INFINITE); });
            CAdoPtr<CSocketedThread> worker(NewSender());
            StartWorkerThread(&SenderThreadList, worker.Get(), SenderThreadProc);
            StopAllWorkersWithin(200);
            theApp.ExitInstance();
            // Returning here would go on to destroy the globals under the worker.
            fprintf(stderr, "ExitInstance returned\n");
        },
        ::testing::ExitedWithCode(0), "");
}

// A worker that has done its job and is on its way out of its list, held
// there by the test holding the list's lock: its thread still runs and still
// uses the list, so the end of the program must not take it for ended.
HANDLE g_hLeaving = nullptr;

UINT EmptyJobProc(LPVOID pParam)
{
    CWorkerThreadScope scope(&SenderThreadList, static_cast<CSocketedThread*>(pParam), L"送信");
    scope.Run([] {});
    return 0;
}

// Starts a worker on the sender list and returns once it is about to leave
// the list, whose lock the caller holds.
void StartWorkerHeldOnItsWayOut(CAdoPtr<CSocketedThread>& worker)
{
    worker = new CSocketedThread();
    ASSERT_TRUE(StartWorkerThread(&SenderThreadList, worker.Get(), EmptyJobProc));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_hLeaving, 30000)) << "the worker never reached its end";
}

TEST(WorkerThreadScope, EndOfProgramWaitsForAWorkerStillLeavingItsList)
{
    g_hLeaving = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LeaveHook hook([](CSocketedThread*) { ::SetEvent(g_hLeaving); });
    CAdoPtr<CSocketedThread> worker;
    {
        CSingleLock lock(&SenderThreadList.m_mutex, TRUE);
        StartWorkerHeldOnItsWayOut(worker);
        EXPECT_FALSE(StopAllWorkersWithin(200)) << "a worker inside its list's lock was taken for ended";
        EXPECT_FALSE(worker->HasEnded());
    }
    EXPECT_TRUE(SenderThreadList.StopAllWithin(10000));
    EXPECT_EQ(0, SenderThreadList.GetCountLocked());
    ::CloseHandle(g_hLeaving);
    g_hLeaving = nullptr;
}

// The end of the program with that worker: ExitInstance ends the process
// rather than return to the destruction of the list under the worker.
TEST(WorkerThreadScopeDeathTest, ProgramWithAWorkerStillLeavingItsListEndsInExitInstance)
{
    EXPECT_EXIT(
        {
            g_hLeaving = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            LeaveHook hook([](CSocketedThread*) { ::SetEvent(g_hLeaving); });
            CAdoPtr<CSocketedThread> worker;
            CSingleLock lock(&SenderThreadList.m_mutex, TRUE);
            StartWorkerHeldOnItsWayOut(worker);
            StopAllWorkersWithin(200);
            theApp.ExitInstance();
            fprintf(stderr, "ExitInstance returned\n");
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
