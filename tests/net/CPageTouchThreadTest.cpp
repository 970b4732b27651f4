// The page touch against real fresh memory: how far ahead of the filled bytes
// it makes the block resident, that it follows the filling code, that its
// thread is gone when it is, and that its copy copies.
#include "NetTestUtil.h"
#include "net/CPageTouchThread.h"
#include <algorithm>
#include <atomic>
#include <vector>

using namespace nettest;

namespace {

const SIZE_T MB = 1048576;

// Fresh committed memory: no page of it resident until touched.
struct FRESH
{
    explicit FRESH(SIZE_T n)
        : p(static_cast<BYTE*>(::VirtualAlloc(nullptr, n, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)))
    {}
    ~FRESH()
    {
        if (p != nullptr)
            ::VirtualFree(p, 0, MEM_RELEASE);
    }
    BYTE* p;
};

// Whether the resident bytes grew by at least n within the time.
bool GrowsBy(SIZE_T nBefore, SIZE_T n)
{
    return WaitUntil([&] { return WorkingSet() >= nBefore + n; });
}

TEST(PageTouchThreadTest, TouchStaysAWindowAheadOfTheFilledBytes)
{
    const SIZE_T nBlock = 256 * MB;
    const SIZE_T nSlack = 8 * MB;
    FRESH block(nBlock);
    ASSERT_TRUE(block.p != nullptr);
    SIZE_T nBefore = WorkingSet();
    CPageTouchThread touch(block.p, nBlock);
    for (SIZE_T nReached : {SIZE_T(0), 100 * MB, 200 * MB})
    {
        SCOPED_TRACE(nReached / MB);
        // The test fills nothing itself: only the touch makes pages resident.
        touch.Reached(nReached);
        SIZE_T nAhead = nBlock - nReached < CPageTouchThread::WINDOW ? nBlock : nReached + CPageTouchThread::WINDOW;
        EXPECT_TRUE(GrowsBy(nBefore, nAhead - nSlack)) << "the touch did not follow";
        // Time enough for a touch that isn't held back to run on.
        ::Sleep(300);
        SIZE_T nGrown = WorkingSet() - nBefore;
        EXPECT_LE(nGrown, nAhead + nSlack) << nGrown / MB << " MB resident";
    }
    touch.Reached(nBlock);
    EXPECT_TRUE(GrowsBy(nBefore, nBlock - nSlack)) << "the last stretch was not touched";
}

std::atomic<bool> g_bLeft(false);

void SlowLeave()
{
    ::Sleep(300);
    g_bLeft = true;
}

TEST(PageTouchThreadTest, ThreadIsGoneWhenTheTouchIs)
{
    // The block may go right after the touch does: its thread must be gone.
    CPageTouchThread::PFN_LEAVEHOOK pfnOld = CPageTouchThread::SetLeaveHook(SlowLeave);
    for (SIZE_T nReached : {SIZE_T(0), 64 * MB})
    {
        SCOPED_TRACE(nReached / MB);
        g_bLeft = false;
        FRESH block(64 * MB);
        ASSERT_TRUE(block.p != nullptr);
        {
            CPageTouchThread touch(block.p, 64 * MB);
            touch.Reached(nReached);
        }
        EXPECT_TRUE(g_bLeft) << "the touch thread outlived its touch";
    }
    CPageTouchThread::SetLeaveHook(pfnOld);
}

TEST(PageTouchThreadTest, CopyCopiesEveryByte)
{
    // Below the thread's threshold, across a window, unaligned at both ends.
    struct
    {
        SIZE_T nBytes, nOffset;
    } cases[] = {{0, 0}, {3, 1}, {MB - 1, 0}, {MB + 5, 3}, {CPageTouchThread::WINDOW * 2 + 4097, 1}};
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.nBytes);
        std::vector<BYTE> source(c.nBytes);
        for (SIZE_T i = 0; i < c.nBytes; ++i)
            source[i] = BYTE(i * 7 + (i >> 12));
        FRESH dest(c.nBytes + c.nOffset + 1);
        ASSERT_TRUE(dest.p != nullptr);
        CPageTouchThread::Copy(dest.p + c.nOffset, source.data(), c.nBytes);
        EXPECT_TRUE(std::equal(source.begin(), source.end(), dest.p + c.nOffset));
        EXPECT_EQ(0, dest.p[c.nOffset + c.nBytes]) << "written past the end";
    }
}

}  // namespace
