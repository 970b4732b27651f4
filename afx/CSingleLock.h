#pragma once
#include "afx/CSyncObject.h"

// Scoped hold of one sync object; the destructor releases what is still held.
class CSingleLock
{
public:
    explicit CSingleLock(CSyncObject* pObject, BOOL bInitialLock = FALSE);
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;
    ~CSingleLock() { Unlock(); }

    BOOL Lock(DWORD dwTimeOut = INFINITE);
    BOOL Unlock();  // TRUE when nothing is held any more

private:
    CSyncObject* m_pObject;
    BOOL m_bAcquired = FALSE;
};
