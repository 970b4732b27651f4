#pragma once

#include <atomic>

#include "afx/Afx.h"

// Base of every object shared between threads by reference count. The count
// starts at 0: the first CAdoPtr that takes the object owns it, and the release
// that brings the count back to 0 deletes it.
class CAdo
{
public:
    CAdo() : m_nRefCount(0) {}
    virtual ~CAdo() {}

    // A copied object is a new object with no owners, never a second view of
    // the original's count.
    CAdo(const CAdo&) : m_nRefCount(0) {}
    CAdo& operator=(const CAdo&) { return *this; }

    void AddRef() { ++m_nRefCount; }
    void Release()
    {
        if (--m_nRefCount == 0)
            delete this;
    }

private:
    std::atomic<LONG> m_nRefCount;
};
