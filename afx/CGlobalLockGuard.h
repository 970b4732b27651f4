#pragma once
#include <windows.h>

// Unlocks a locked global-memory block on every way out of a scope, an
// exception included. Built from the block and what GlobalLock returned; a
// failed lock (NULL) is not unlocked.
class CGlobalLockGuard
{
public:
    CGlobalLockGuard(HGLOBAL hGlobal, void* pLocked) : m_hGlobal(hGlobal), m_pLocked(pLocked) {}
    ~CGlobalLockGuard();
    CGlobalLockGuard(const CGlobalLockGuard&) = delete;
    CGlobalLockGuard& operator=(const CGlobalLockGuard&) = delete;

    void* Get() const { return m_pLocked; }

private:
    HGLOBAL m_hGlobal;
    void* m_pLocked;
};
