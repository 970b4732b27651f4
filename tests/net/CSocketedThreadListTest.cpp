// Worker lists: tray state, stopping with and without waiting, and workers
// whose thread can't start.
#include "NetTestUtil.h"
#include "net/CSocketedThreadList.h"
#include <atomic>

using namespace nettest;

namespace {

// A worker that blocks in a receive on its socket until it is aborted, or
// ignores everything when bStubborn.
class CTestWorker : public CSocketedThread
{
public:
    CSocketX m_peer;
    bool m_bStubborn = false;
    std::atomic<int> m_nError{0};
    std::atomic<bool> m_bRelease{false};
    CSocketedThreadList* m_pList = nullptr;
};

UINT TestWorkerProc(LPVOID pParam)
{
    CTestWorker* p = static_cast<CTestWorker*>(pParam);
    CAdoPtr<CSocketedThread> self(p);
    if (p->m_bStubborn)
    {
        while (!p->m_bRelease)
            ::Sleep(5);
    }
    else
    {
        CSocketBuffer buf(&p->m_socket);
        try
        {
            BYTE b[4];
            buf.ReceiveBytes(4, b);
        }
        catch (CSocketBufferException& e)
        {
            p->m_nError = e.m_nError;
        }
    }
    p->m_socket.Close();
    p->m_pList->Remove(p);
    return 0;
}

DWORD WINAPI NoWorkProc(LPVOID) { return 0; }

// Stands in for a worker whose thread is over: the handle of one that has ended.
void GiveEndedThread(CSocketedThread* p)
{
    HANDLE hThread = ::CreateThread(nullptr, 0, NoWorkProc, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, 30000));
    p->m_hThread.Reset(hThread);
}

TEST(SocketedThreadList, StatusIsTheHighestState)
{
    struct
    {
        std::vector<int> states;
        int nExpected;
    } cases[] = {
        {{1, 0, 2}, 2}, {{0, 1}, 1}, {{0, 0}, 0}, {{}, 0}, {{2}, 2},
    };
    for (auto& c : cases)
    {
        CSocketedThreadList list;
        for (int s : c.states)
        {
            CSocketedThread* p = new CSocketedThread();
            p->m_nState = s;
            list.Add(p);
        }
        EXPECT_EQ(c.nExpected, list.GetStatus()) << "states of size " << c.states.size();
    }
}

TEST(SocketedThreadList, RemoveTakesOnlyThatWorker)
{
    CSocketedThreadList list;
    CAdoPtr<CSocketedThread> a(new CSocketedThread()), b(new CSocketedThread()), other(new CSocketedThread());
    list.Add(a);
    list.Add(b);
    list.Remove(other);
    EXPECT_EQ(2, list.GetCountLocked());
    list.Remove(a);
    EXPECT_EQ(1, list.GetCountLocked());
    EXPECT_EQ(b.Get(), list.GetHead().Get());
}

TEST(SocketedThreadList, StopAllWaitingInterruptsBlockedWorkers)
{
    CSocketedThreadList list;
    std::vector<CAdoPtr<CTestWorker>> workers;
    for (int i = 0; i < 3; ++i)
    {
        CTestWorker* p = new CTestWorker();
        p->m_pList = &list;
        ConnectPair(p->m_socket, p->m_peer);
        workers.push_back(p);
        ASSERT_TRUE(StartWorkerThread(&list, p, TestWorkerProc));
    }
    ::Sleep(100);  // let them block in their receives
    list.StopAll(TRUE);
    EXPECT_EQ(0, list.GetCountLocked());
    for (size_t i = 0; i < workers.size(); ++i)
    {
        EXPECT_TRUE(workers[i]->HasEnded()) << "worker " << i;
        EXPECT_EQ(1, workers[i]->m_bStop.load()) << "worker " << i;
        EXPECT_EQ(WSAEINTR, workers[i]->m_nError.load()) << "worker " << i;
    }
}

TEST(SocketedThreadList, StopAllWithoutWaitGivesUpOnAStubbornWorker)
{
    CSocketedThreadList list;
    CTestWorker* p = new CTestWorker();
    CAdoPtr<CTestWorker> hold(p);
    p->m_pList = &list;
    p->m_bStubborn = true;
    ASSERT_TRUE(StartWorkerThread(&list, p, TestWorkerProc));
    list.StopAll(FALSE);
    EXPECT_EQ(1, list.GetCountLocked());
    EXPECT_EQ(1, p->m_bStop.load());
    EXPECT_TRUE(p->m_socket.IsAborted());
    p->m_bRelease = true;
    list.StopAll(TRUE);
    EXPECT_EQ(0, list.GetCountLocked());
}

TEST(SocketedThreadList, FinishedWorkerIsNotAborted)
{
    CSocketedThreadList list;
    CAdoPtr<CSocketedThread> p(new CSocketedThread());
    GiveEndedThread(p);
    list.Add(p);
    list.StopAll(TRUE);
    EXPECT_FALSE(p->m_socket.IsAborted());
    EXPECT_EQ(1, p->m_bStop.load());
    EXPECT_EQ(1, list.GetCountLocked()) << "only the worker's own thread removes it";
}

// The workers added before the given one are stopped; it and the later ones
// go on. One that isn't listed counts as newer than all.
TEST(SocketedThreadList, StopAllBeforeANewerWorker)
{
    struct
    {
        int nNewer;
        std::vector<int> stopped;
    } cases[] = {
        {0, {0, 0, 0}},
        {1, {1, 0, 0}},
        {2, {1, 1, 0}},
        {-1, {1, 1, 1}},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.nNewer);
        CSocketedThreadList list;
        std::vector<CAdoPtr<CSocketedThread>> workers;
        for (int i = 0; i < 3; ++i)
        {
            workers.push_back(new CSocketedThread());
            GiveEndedThread(workers.back());
            list.Add(workers.back());
        }
        CAdoPtr<CSocketedThread> unlisted(new CSocketedThread());
        list.StopAll(FALSE, c.nNewer < 0 ? unlisted.Get() : workers[c.nNewer].Get());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(c.stopped[i], workers[i]->m_bStop.load()) << "worker " << i;
    }
}

TEST(SocketedThreadList, WorkerWhoseThreadCannotStartIsFinishedAndRemoved)
{
    CSocketedThreadList list;
    CTestWorker* p = new CTestWorker();
    CAdoPtr<CTestWorker> hold(p);
    p->m_pList = &list;
    // A thread start that fails, as when the system has no thread to give.
    PFN_BEGINTHREAD pfnFails = [](AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES) -> CWinThread* {
        return nullptr;
    };
    EXPECT_FALSE(StartWorkerThread(&list, p, TestWorkerProc, pfnFails));
    EXPECT_EQ(0, list.GetCountLocked());
    list.StopAll(TRUE);  // returns: nothing left to wait for
}

}  // namespace
