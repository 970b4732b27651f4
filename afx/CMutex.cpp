#include "afx/CMutex.h"

CMutex::CMutex(BOOL bInitiallyOwn, LPCWSTR lpszName, LPSECURITY_ATTRIBUTES lpsaAttribute)
{
    Attach(CreateMutexW(lpsaAttribute, bInitiallyOwn, lpszName));
}

BOOL CMutex::Unlock() { return ReleaseMutex(m_hObject); }
