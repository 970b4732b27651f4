#include "afx/CSRWLockGuard.h"

CSRWLockGuard::CSRWLockGuard(SRWLOCK& lock, BOOL bShared) : m_lock(lock), m_bShared(bShared)
{
    if (m_bShared)
        ::AcquireSRWLockShared(&m_lock);
    else
        ::AcquireSRWLockExclusive(&m_lock);
}

CSRWLockGuard::~CSRWLockGuard()
{
    if (m_bShared)
        ::ReleaseSRWLockShared(&m_lock);
    else
        ::ReleaseSRWLockExclusive(&m_lock);
}
