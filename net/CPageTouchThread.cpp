#include "net/CPageTouchThread.h"

// Smaller than any page size of the platform.
static const SIZE_T TOUCH_STEP = 4096;
// A smaller block is filled before a thread would have started.
static const SIZE_T MIN_BYTES = 1048576;

CPageTouchThread::CPageTouchThread(void* pBlock, SIZE_T nBytes)
    : m_pBlock(static_cast<BYTE*>(pBlock)), m_nBytes(pBlock != nullptr ? nBytes : 0), m_bQuit(false)
{
    if (m_nBytes >= MIN_BYTES)
        m_hThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
}

CPageTouchThread::~CPageTouchThread()
{
    if (m_hThread.IsValid())
    {
        m_bQuit = true;
        ::WaitForSingleObject(m_hThread, INFINITE);
    }
}

DWORD WINAPI CPageTouchThread::ThreadProc(LPVOID pParam)
{
    CPageTouchThread* pThis = static_cast<CPageTouchThread*>(pParam);
    // Aligned words: the atomic operation needs them, and a word never spans
    // two pages. The first and last partial words are left to the filling code.
    uintptr_t nFirst = (reinterpret_cast<uintptr_t>(pThis->m_pBlock) + sizeof(LONG) - 1) & ~(sizeof(LONG) - 1);
    uintptr_t nEnd = reinterpret_cast<uintptr_t>(pThis->m_pBlock) + pThis->m_nBytes;
    for (uintptr_t p = nFirst; p + sizeof(LONG) <= nEnd; p += TOUCH_STEP)
    {
        if (pThis->m_bQuit)
            break;
        ::InterlockedOr(reinterpret_cast<volatile LONG*>(p), 0);
    }
    return 0;
}
