#include <gtest/gtest.h>

#include "afx/CException.h"
#include "afx/CGlobalLockGuard.h"

namespace {

TEST(CGlobalLockGuard, UnlocksOnlyWhatWasLocked)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    ASSERT_TRUE(h != nullptr);
    auto lockCount = [h]() { return ::GlobalFlags(h) & GMEM_LOCKCOUNT; };
    {
        CGlobalLockGuard guard(h, ::GlobalLock(h));
        EXPECT_TRUE(guard.Get() != nullptr);
        EXPECT_EQ(1u, lockCount());
    }
    EXPECT_EQ(0u, lockCount()) << "the guard must unlock what it holds";

    void* p = ::GlobalLock(h);
    ASSERT_TRUE(p != nullptr);
    {
        CGlobalLockGuard guard(h, nullptr);  // a lock that failed
    }
    EXPECT_EQ(1u, lockCount()) << "a guard over a failed lock must not unlock";
    ::GlobalUnlock(h);

    try
    {
        CGlobalLockGuard guard(h, ::GlobalLock(h));
        throw CInvalidArgException();
    }
    catch (CInvalidArgException&)
    {}
    EXPECT_EQ(0u, lockCount()) << "unlocked on the way out of an exception";
    ::GlobalFree(h);
}

}  // namespace
