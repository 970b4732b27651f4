#pragma once

#include <atomic>

#include "app/CAdo.h"

// Intrusive holder over a CAdo-derived object. Copies add a reference; the
// last holder to let go deletes the object. Each holder variable may be used
// from one thread at a time; different holders of one object may live on
// different threads.
template <class T>
class CAdoPtr
{
public:
    CAdoPtr() : m_p(nullptr) {}
    CAdoPtr(T* p) : m_p(AddRefTo(p)) {}
    CAdoPtr(const CAdoPtr& other) : m_p(AddRefTo(other.Get())) {}
    // A holder of a derived class converts to a holder of its base
    // (CSenderThread to CSocketedThread).
    template <class U>
    CAdoPtr(const CAdoPtr<U>& other) : m_p(AddRefTo(other.Get()))
    {}
    ~CAdoPtr() { ReleaseOf(m_p.load()); }

    CAdoPtr& operator=(const CAdoPtr& other) { return Assign(other.Get()); }
    CAdoPtr& operator=(T* p) { return Assign(p); }
    template <class U>
    CAdoPtr& operator=(const CAdoPtr<U>& other)
    {
        return Assign(other.Get());
    }

    void Reset() { ReleaseOf(m_p.exchange(nullptr)); }

    T* Get() const { return m_p.load(); }
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    operator T*() const { return Get(); }
    bool IsNull() const { return Get() == nullptr; }

private:
    static T* AddRefTo(T* p)
    {
        if (p != nullptr)
            p->AddRef();
        return p;
    }
    static void ReleaseOf(T* p)
    {
        if (p != nullptr)
            p->Release();
    }
    // The new reference is taken before the old one is dropped, so assigning
    // the object a holder already holds never frees it on the way.
    CAdoPtr& Assign(T* p)
    {
        ReleaseOf(m_p.exchange(AddRefTo(p)));
        return *this;
    }

    std::atomic<T*> m_p;
};
