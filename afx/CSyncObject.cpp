#include "afx/CSyncObject.h"
#include "afx/CException.h"

CSyncObject::~CSyncObject() = default;

void CSyncObject::Attach(HANDLE hObject)
{
    if (!hObject)
        AfxThrowResourceException();
    m_hObject.Reset(hObject);
}

BOOL CSyncObject::Lock(DWORD dwTimeout)
{
    DWORD r = WaitForSingleObject(m_hObject, dwTimeout);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}
