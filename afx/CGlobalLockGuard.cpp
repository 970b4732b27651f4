#include "afx/CGlobalLockGuard.h"

CGlobalLockGuard::~CGlobalLockGuard()
{
    if (m_pLocked != nullptr)
        ::GlobalUnlock(m_hGlobal);
}
