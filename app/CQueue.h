#pragma once

#include "afx/Afx.h"

// Thread-safe first-in-first-out queue of owned pointers. The producer
// allocates each item with new; the queue owns it while it waits; whoever
// pops it owns it afterwards. Each lock is held for one list operation only.
template <class T>
class CQueue
{
public:
    CQueue() {}
    virtual ~CQueue()
    {
        while (!m_list.IsEmpty())
            DeleteItem(m_list.RemoveHead());
    }
    CQueue(const CQueue&) = delete;
    CQueue& operator=(const CQueue&) = delete;

    void Push(T item)
    {
        CSingleLock lock(&m_mutex, TRUE);
        try
        {
            m_list.AddTail(item);
        }
        catch (...)
        {
            // The queue owns the item from the call on; one it can't hold is freed.
            DeleteItem(item);
            throw;
        }
    }

    // NULL when the queue is empty.
    T Pop()
    {
        CSingleLock lock(&m_mutex, TRUE);
        if (m_list.IsEmpty())
            return nullptr;
        return m_list.RemoveHead();
    }

    virtual void DeleteItem(T item) { delete item; }

protected:
    CMutex m_mutex;
    CList<T, T> m_list;
};
