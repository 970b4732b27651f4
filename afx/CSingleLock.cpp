#include "afx/CSingleLock.h"
#include "afx/CException.h"

CSingleLock::CSingleLock(CSyncObject* pObject, BOOL bInitialLock) : m_pObject(pObject)
{
    if (!pObject)
        AfxThrowInvalidArgException();
    if (bInitialLock)
        Lock();
}

BOOL CSingleLock::Lock(DWORD dwTimeOut)
{
    // A second Lock while held would need a second Unlock; keep one hold only.
    if (m_bAcquired)
        return TRUE;
    m_bAcquired = m_pObject->Lock(dwTimeOut);
    return m_bAcquired;
}

BOOL CSingleLock::Unlock()
{
    if (m_bAcquired && m_pObject->Unlock())
        m_bAcquired = FALSE;
    return !m_bAcquired;
}
