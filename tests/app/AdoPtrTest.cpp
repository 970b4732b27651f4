#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/CAdoPtr.h"

namespace {

// Records how often it was deleted, and how many holders had announced their
// last release at that moment.
struct CDeleteLog
{
    std::atomic<int> nDeleted{0};
    std::atomic<int> nReleasing{0};
    std::atomic<int> nReleasingAtDelete{-1};
};

class CCounted : public CAdo
{
public:
    explicit CCounted(CDeleteLog* pLog) : m_pLog(pLog) {}
    ~CCounted() override
    {
        m_pLog->nReleasingAtDelete = m_pLog->nReleasing.load();
        ++m_pLog->nDeleted;
    }
    CDeleteLog* m_pLog;
};

class CDerived : public CCounted
{
public:
    using CCounted::CCounted;
};

TEST(CAdoPtr, EmptyHolderResetAndDestroyDoNothing)
{
    CAdoPtr<CCounted> empty;
    EXPECT_TRUE(empty.IsNull());
    empty.Reset();
    EXPECT_TRUE(empty.Get() == nullptr);
    CAdoPtr<CCounted> copy(empty);
    copy = empty;
    EXPECT_TRUE(copy.IsNull());
}

TEST(CAdoPtr, LastOfSeveralHoldersDeletes)
{
    CDeleteLog log;
    {
        CAdoPtr<CCounted> a(new CCounted(&log));
        CAdoPtr<CCounted> b(a);
        CAdoPtr<CCounted> c;
        c = b;
        a.Reset();
        b.Reset();
        EXPECT_EQ(0, log.nDeleted) << "deleted while a holder remained";
        EXPECT_EQ(&log, c->m_pLog);
    }
    EXPECT_EQ(1, log.nDeleted);
}

TEST(CAdoPtr, AssigningTheHeldObjectKeepsIt)
{
    CDeleteLog log;
    CCounted* p = new CCounted(&log);
    CAdoPtr<CCounted> a(p);
    a = p;  // from the plain pointer
    EXPECT_EQ(0, log.nDeleted);
    a = a;  // from itself
    EXPECT_EQ(0, log.nDeleted);
    CAdoPtr<CCounted> b(p);
    a = b;  // from another holder of the same object
    b.Reset();
    EXPECT_EQ(0, log.nDeleted) << "the count must be 1 now, held by a";
    a.Reset();
    EXPECT_EQ(1, log.nDeleted);
}

TEST(CAdoPtr, AssigningAnotherObjectReleasesTheOld)
{
    CDeleteLog logOld, logNew;
    CAdoPtr<CCounted> a(new CCounted(&logOld));
    a = new CCounted(&logNew);
    EXPECT_EQ(1, logOld.nDeleted);
    EXPECT_EQ(0, logNew.nDeleted);
    a = static_cast<CCounted*>(nullptr);
    EXPECT_EQ(1, logNew.nDeleted);
}

TEST(CAdoPtr, DerivedHolderConvertsToBaseHolder)
{
    CDeleteLog log;
    CAdoPtr<CDerived> derived(new CDerived(&log));
    CAdoPtr<CCounted> base(derived);
    CAdoPtr<CCounted> other;
    other = derived;
    derived.Reset();
    base.Reset();
    EXPECT_EQ(0, log.nDeleted);
    other.Reset();
    EXPECT_EQ(1, log.nDeleted);
}

TEST(CAdoPtr, ConcurrentReleasesDeleteExactlyOnce)
{
    const int nThreads = 16;
    for (int round = 0; round < 100; ++round)
    {
        CDeleteLog log;
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        {
            CAdoPtr<CCounted> original(new CCounted(&log));
            for (int t = 0; t < nThreads; ++t)
            {
                CAdoPtr<CCounted> copy(original);
                threads.emplace_back([copy, &go, &log]() mutable {
                    while (!go.load())
                        std::this_thread::yield();
                    // Copies made and dropped on this thread while others release theirs.
                    for (int i = 0; i < 50; ++i)
                    {
                        CAdoPtr<CCounted> local(copy);
                        CAdoPtr<CCounted> assigned;
                        assigned = local;
                    }
                    ++log.nReleasing;
                    copy.Reset();
                });
            }
            ++log.nReleasing;
        }  // the original goes first, while the threads still hold copies
        EXPECT_EQ(0, log.nDeleted) << "round " << round;
        go = true;
        for (std::thread& t : threads)
            t.join();
        ASSERT_EQ(1, log.nDeleted) << "round " << round;
        ASSERT_EQ(nThreads + 1, log.nReleasingAtDelete) << "deleted before the last release, round " << round;
    }
}

}  // namespace
