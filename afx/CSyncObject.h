#pragma once
#include <windows.h>

#include "afx/CKernelHandle.h"

// Base of the kernel synchronisation objects; owns the handle.
class CSyncObject
{
public:
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;
    virtual ~CSyncObject();

    // TRUE when the object was acquired within dwTimeout (an abandoned mutex counts).
    virtual BOOL Lock(DWORD dwTimeout = INFINITE);
    virtual BOOL Unlock() = 0;

    CKernelHandle m_hObject;

protected:
    CSyncObject() = default;
    // Takes a freshly created handle; NULL raises CResourceException.
    void Attach(HANDLE hObject);
};
