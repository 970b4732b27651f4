#pragma once
#include <windows.h>
#include <vector>
#include "afx/CException.h"

// Growable array. An index outside [0, GetSize()) raises CInvalidArgException;
// allocation failure raises CMemoryException. New elements are value-initialised
// (zero for plain types).
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray
{
public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    virtual ~CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    BOOL IsEmpty() const { return m_items.empty(); }

    void SetSize(INT_PTR nNewSize, INT_PTR /*nGrowBy*/ = -1)
    {
        if (nNewSize < 0)
            AfxThrowInvalidArgException();
        m_items.resize(static_cast<size_t>(nNewSize));
    }
    void RemoveAll() { m_items.clear(); }

    TYPE& operator[](INT_PTR nIndex) { return m_items[Check(nIndex)]; }
    const TYPE& operator[](INT_PTR nIndex) const { return m_items[Check(nIndex)]; }

    TYPE* GetData() { return m_items.empty() ? nullptr : m_items.data(); }
    const TYPE* GetData() const { return m_items.empty() ? nullptr : m_items.data(); }

    // Returns the index of the new element.
    INT_PTR Add(ARG_TYPE newElement)
    {
        m_items.push_back(newElement);
        return GetSize() - 1;
    }
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0)
            AfxThrowInvalidArgException();
        TYPE copy(newElement);
        if (nIndex > GetSize())
            m_items.resize(static_cast<size_t>(nIndex));
        m_items.insert(m_items.begin() + nIndex, static_cast<size_t>(nCount), copy);
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || nIndex > GetSize() || nCount > GetSize() - nIndex)
            AfxThrowInvalidArgException();
        m_items.erase(m_items.begin() + nIndex, m_items.begin() + nIndex + nCount);
    }

    void Copy(const CArray& src)
    {
        if (&src != this)
            m_items = src.m_items;
    }

private:
    size_t Check(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            AfxThrowInvalidArgException();
        return static_cast<size_t>(nIndex);
    }

    std::vector<TYPE> m_items;
};
