#include "net/CPageTouchThread.h"
#include <string.h>

// Smaller than any page size of the platform.
static const SIZE_T TOUCH_STEP = 4096;
// A smaller block is filled before a thread would have started.
static const SIZE_T MIN_BYTES = 1048576;
// Copy reports its progress after each piece of this size.
static const SIZE_T COPY_PIECE = 1048576;
static const SIZE_T NO_WAKE = ~SIZE_T(0);

// Written by tests while no touch thread runs.
CPageTouchThread::PFN_LEAVEHOOK CPageTouchThread::s_pfnLeaveHook = nullptr;

CPageTouchThread::CPageTouchThread(void* pBlock, SIZE_T nBytes)
    : m_pBlock(static_cast<BYTE*>(pBlock)), m_nBytes(pBlock != nullptr ? nBytes : 0), m_bQuit(false), m_nReached(0),
      m_nWakeAt(NO_WAKE)
{
    if (m_nBytes < MIN_BYTES)
        return;
    m_hWake.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (m_hWake.IsValid())
        m_hThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
}

CPageTouchThread::~CPageTouchThread()
{
    if (m_hThread.IsValid())
    {
        m_bQuit = true;
        ::SetEvent(m_hWake);
        ::WaitForSingleObject(m_hThread, INFINITE);
    }
}

void CPageTouchThread::Reached(SIZE_T nDone)
{
    m_nReached = nDone;
    // The thread publishes its wake-up point before it looks at m_nReached a
    // last time, so one of the two sees the other: no wake-up is lost.
    SIZE_T nWakeAt = m_nWakeAt;
    if (nDone >= nWakeAt && m_nWakeAt.compare_exchange_strong(nWakeAt, NO_WAKE))
        ::SetEvent(m_hWake);
}

void CPageTouchThread::Copy(void* pDest, const void* pSource, SIZE_T nBytes)
{
    CPageTouchThread touch(pDest, nBytes);
    for (SIZE_T nDone = 0; nDone < nBytes;)
    {
        SIZE_T nPiece = nBytes - nDone < COPY_PIECE ? nBytes - nDone : COPY_PIECE;
        memcpy(static_cast<BYTE*>(pDest) + nDone, static_cast<const BYTE*>(pSource) + nDone, nPiece);
        nDone += nPiece;
        touch.Reached(nDone);
    }
}

DWORD WINAPI CPageTouchThread::ThreadProc(LPVOID pParam)
{
    static_cast<CPageTouchThread*>(pParam)->Touch();
    if (s_pfnLeaveHook != nullptr)
        s_pfnLeaveHook();
    return 0;
}

CPageTouchThread::PFN_LEAVEHOOK CPageTouchThread::SetLeaveHook(PFN_LEAVEHOOK pfn)
{
    PFN_LEAVEHOOK pfnOld = s_pfnLeaveHook;
    s_pfnLeaveHook = pfn;
    return pfnOld;
}

void CPageTouchThread::Touch()
{
    // Aligned words: the atomic operation needs them, and a word never spans
    // two pages. The first and last partial words are left to the filling code.
    const uintptr_t nBase = reinterpret_cast<uintptr_t>(m_pBlock);
    SIZE_T nPos = ((nBase + sizeof(LONG) - 1) & ~(sizeof(LONG) - 1)) - nBase;
    while (!m_bQuit)
    {
        SIZE_T nReached = m_nReached;
        SIZE_T nLimit = m_nBytes - nReached > WINDOW ? nReached + WINDOW : m_nBytes;
        for (; nPos + sizeof(LONG) <= nLimit; nPos += TOUCH_STEP)
        {
            if (m_bQuit)
                return;
            ::InterlockedOr(reinterpret_cast<volatile LONG*>(m_pBlock + nPos), 0);
        }
        if (nLimit == m_nBytes)
            return;
        SIZE_T nWakeAt = nReached + WINDOW / 4;
        m_nWakeAt = nWakeAt;
        if (m_nReached >= nWakeAt)
        {
            // Come already; a wake-up the filling code sends meanwhile only
            // makes the next wait return early.
            m_nWakeAt = NO_WAKE;
            continue;
        }
        ::WaitForSingleObject(m_hWake, INFINITE);
    }
}
