#include "afx/CSemaphore.h"

CSemaphore::CSemaphore(LONG lInitialCount, LONG lMaxCount, LPCWSTR pstrName, LPSECURITY_ATTRIBUTES lpsaAttributes)
{
    Attach(CreateSemaphoreW(lpsaAttributes, lInitialCount, lMaxCount, pstrName));
}

BOOL CSemaphore::Unlock() { return Unlock(1, nullptr); }

BOOL CSemaphore::Unlock(LONG lCount, LPLONG lpPrevCount) { return ReleaseSemaphore(m_hObject, lCount, lpPrevCount); }
