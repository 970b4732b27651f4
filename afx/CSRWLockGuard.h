#pragma once
#include <windows.h>

// Holds a slim reader/writer lock for one scope: exclusive, or shared when
// bShared. The lock is released however the scope is left, a throw included.
class CSRWLockGuard
{
public:
    explicit CSRWLockGuard(SRWLOCK& lock, BOOL bShared = FALSE);
    CSRWLockGuard(const CSRWLockGuard&) = delete;
    CSRWLockGuard& operator=(const CSRWLockGuard&) = delete;
    ~CSRWLockGuard();

private:
    SRWLOCK& m_lock;
    BOOL m_bShared;
};
