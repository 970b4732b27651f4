#pragma once

#include "app/CAdo.h"

// Intrusive holder over a CAdo-derived object. Copies add a reference; the
// last holder to let go deletes the object. Each holder variable may be used
// from one thread at a time; different holders of one object may live on
// different threads.
template<class T>
class CAdoPtr
{
public:
    CAdoPtr() : m_p(NULL) {}
    CAdoPtr(T* p) : m_p(p)
    {
        if (m_p != NULL)
            m_p->AddRef();
    }
    CAdoPtr(const CAdoPtr& other) : m_p(other.m_p)
    {
        if (m_p != NULL)
            m_p->AddRef();
    }
    // A holder of a derived class converts to a holder of its base
    // (CSenderThread to CSocketedThread).
    template<class U>
    CAdoPtr(const CAdoPtr<U>& other) : m_p(other.Get())
    {
        if (m_p != NULL)
            m_p->AddRef();
    }
    ~CAdoPtr()
    {
        if (m_p != NULL)
            m_p->Release();
    }

    CAdoPtr& operator=(const CAdoPtr& other) { return Assign(other.m_p); }
    CAdoPtr& operator=(T* p) { return Assign(p); }
    template<class U>
    CAdoPtr& operator=(const CAdoPtr<U>& other) { return Assign(other.Get()); }

    void Reset()
    {
        T* pOld = Exchange(NULL);
        if (pOld != NULL)
            pOld->Release();
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    operator T*() const { return m_p; }
    bool IsNull() const { return m_p == NULL; }

private:
    // The new reference is taken before the old one is dropped, so assigning
    // the object a holder already holds never frees it on the way.
    CAdoPtr& Assign(T* p)
    {
        if (p != NULL)
            p->AddRef();
        T* pOld = Exchange(p);
        if (pOld != NULL)
            pOld->Release();
        return *this;
    }
    T* Exchange(T* p)
    {
        return static_cast<T*>(::InterlockedExchangePointer(
            reinterpret_cast<PVOID volatile*>(&m_p), static_cast<PVOID>(p)));
    }

    T* volatile m_p;
};
