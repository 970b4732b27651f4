#include <gtest/gtest.h>

#include <atomic>

#include "afx/CMutex.h"
#include "afx/CSemaphore.h"
#include "afx/CSingleLock.h"
#include "afx/CWinThread.h"

namespace {

struct Shared
{
    CMutex mutex;
    CSemaphore done{0, 100};
    long counter = 0;
    std::atomic<long> inside{0};
    std::atomic<long> overlaps{0};
};

UINT __cdecl CountingProc(LPVOID p)
{
    Shared* s = static_cast<Shared*>(p);
    for (int i = 0; i < 2000; ++i)
    {
        CSingleLock lock(&s->mutex, TRUE);
        if (s->inside.fetch_add(1) != 0)
            s->overlaps++;
        long v = s->counter;
        if (i % 100 == 0)
            Sleep(0);  // invite a switch while holding the lock
        s->counter = v + 1;
        s->inside.fetch_sub(1);
    }
    s->done.Unlock();
    return 0;
}

UINT __cdecl TryLockProc(LPVOID p)
{
    CMutex* m = static_cast<CMutex*>(p);
    CSingleLock lock(m);
    return lock.Lock(50) ? 1 : 0;
}

DWORD RunAndWait(AFX_THREADPROC proc, LPVOID param)
{
    CWinThread* t = AfxBeginThread(proc, param, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t)
        return 0xDEAD;
    t->m_bAutoDelete = FALSE;
    t->ResumeThread();
    WaitForSingleObject(t->m_hThread, INFINITE);
    DWORD code = 0xDEAD;
    GetExitCodeThread(t->m_hThread, &code);
    delete t;
    return code;
}

}  // namespace

TEST(CSingleLockMutex, SerialisesThreads)
{
    Shared s;
    const int kThreads = 4;
    for (int i = 0; i < kThreads; ++i)
        ASSERT_NE(nullptr, AfxBeginThread(CountingProc, &s));
    for (int i = 0; i < kThreads; ++i)
        ASSERT_TRUE(s.done.Lock(20000)) << "thread " << i << " never ended";
    EXPECT_EQ(kThreads * 2000, s.counter);
    EXPECT_EQ(0, s.overlaps.load());
}

TEST(CSingleLockMutex, HeldMutexTimesOutElsewhereAndDestructorReleases)
{
    CMutex m;
    {
        CSingleLock lock(&m);
        ASSERT_TRUE(lock.Lock());
        EXPECT_EQ(0u, RunAndWait(TryLockProc, &m)) << "other thread got a held mutex";
        EXPECT_TRUE(lock.Unlock());
        EXPECT_EQ(1u, RunAndWait(TryLockProc, &m)) << "released mutex not available";
        lock.Lock();
    }
    EXPECT_EQ(1u, RunAndWait(TryLockProc, &m)) << "destructor did not release";

    CMutex owned(TRUE);  // initially owned by this thread
    EXPECT_EQ(0u, RunAndWait(TryLockProc, &owned));
    owned.Unlock();
    EXPECT_EQ(1u, RunAndWait(TryLockProc, &owned));
}

TEST(CSemaphoreCount, LocksUpToCountAndUnlockReleases)
{
    CSemaphore sem(2, 3);
    EXPECT_TRUE(sem.Lock(0));
    EXPECT_TRUE(sem.Lock(0));
    EXPECT_FALSE(sem.Lock(0));
    EXPECT_TRUE(sem.Unlock());
    LONG prev = -1;
    EXPECT_TRUE(sem.Unlock(2, &prev));
    EXPECT_EQ(1, prev);
    EXPECT_FALSE(sem.Unlock());  // beyond the maximum of 3
    CSingleLock lock(&sem, TRUE);
    EXPECT_TRUE(sem.Lock(0));
    EXPECT_TRUE(sem.Lock(0));
    EXPECT_FALSE(sem.Lock(0)) << "the initial lock took no count";
}
