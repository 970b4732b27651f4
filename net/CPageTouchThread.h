#pragma once
// Faults in the pages of a fresh block on a thread of its own, ahead of the
// code that fills it. A fresh block of memory costs a page fault per page on
// its first write; taken inside a socket receive under Wine they make the
// receive several times slower than the keystream, taken here they run beside
// it on another core.
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
    CPageTouchThread(void* pBlock, SIZE_T nBytes);
    ~CPageTouchThread();

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);

    BYTE* m_pBlock;
    SIZE_T m_nBytes;
    std::atomic<bool> m_bQuit;
    CKernelHandle m_hThread;

    CPageTouchThread(const CPageTouchThread&) = delete;
    CPageTouchThread& operator=(const CPageTouchThread&) = delete;
};
