#pragma once
// Faults in the pages of a fresh block on a thread of its own, ahead of the
// code that fills it. A fresh block of memory costs a page fault per page on
// its first write; taken inside a socket receive under Wine they make the
// receive several times slower than the keystream, taken here they run beside
// it on another core.
//
// The touch runs at most WINDOW bytes ahead of what the filling code reports
// with Reached: a peer that announces a huge block and sends little of it
// makes little more than that resident.
//
// The touch is an atomic OR with 0 on one word per page: it never changes a
// byte, so it may meet the filling code's writes on the same page in either
// order. Whoever comes first takes the fault; the block's contents are the
// same either way.
//
// The destructor ends the thread (at once, wherever it got to) before the
// block can go. Without a thread (none to be had, or a block below 1 MB)
// nothing is touched and the filling code takes the faults itself.

#include "afx/Afx.h"
#include "afx/CKernelHandle.h"
#include <atomic>

class CPageTouchThread
{
public:
    // Far enough ahead that the touch keeps ahead of a receive at the
    // keystream rate where a fresh page costs 10 us; the touch goes on each
    // time the filling code has come a quarter of it further.
    static constexpr SIZE_T WINDOW = 32 * 1048576;

    CPageTouchThread(void* pBlock, SIZE_T nBytes);
    ~CPageTouchThread();

    // The first nDone bytes of the block are filled. Called by the one
    // filling thread, with a growing nDone.
    void Reached(SIZE_T nDone);

    // memcpy into a fresh block, its pages touched beside the copy.
    static void Copy(void* pDest, const void* pSource, SIZE_T nBytes);

    // Test seam: called on the touch thread as its last step. Returns the
    // previous hook.
    typedef void (*PFN_LEAVEHOOK)();
    static PFN_LEAVEHOOK SetLeaveHook(PFN_LEAVEHOOK pfn);

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void Touch();

    static PFN_LEAVEHOOK s_pfnLeaveHook;

    BYTE* m_pBlock;
    SIZE_T m_nBytes;
    std::atomic<bool> m_bQuit;
    std::atomic<SIZE_T> m_nReached;
    // The Reached value at which the waiting thread wants its wake-up;
    // SIZE_MAX while it doesn't wait.
    std::atomic<SIZE_T> m_nWakeAt;
    CKernelHandle m_hWake;
    CKernelHandle m_hThread;

    CPageTouchThread(const CPageTouchThread&) = delete;
    CPageTouchThread& operator=(const CPageTouchThread&) = delete;
};
