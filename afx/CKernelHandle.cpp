#include "afx/CKernelHandle.h"

void CKernelHandle::Reset(HANDLE hHandle)
{
    // Taking the handle already held must not close it.
    if (hHandle == m_hHandle)
        return;
    if (IsValid())
        ::CloseHandle(m_hHandle);
    m_hHandle = hHandle;
}
