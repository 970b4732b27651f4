#pragma once
#include <windows.h>
#include <vector>
#include "afx/CException.h"

// Growable array. An index outside [0, GetSize()) raises CInvalidArgException;
// allocation failure raises CMemoryException. New elements are value-initialised
// (zero for plain types).
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    virtual ~CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_items.empty(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }

    void SetSize(INT_PTR nNewSize, INT_PTR /*nGrowBy*/ = -1) {
        if (nNewSize < 0) AfxThrowInvalidArgException();
        m_items.resize(static_cast<size_t>(nNewSize));
    }
    void RemoveAll() { m_items.clear(); }
    void FreeExtra() { m_items.shrink_to_fit(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_items[Check(nIndex)]; }
    TYPE& GetAt(INT_PTR nIndex) { return m_items[Check(nIndex)]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_items[Check(nIndex)] = newElement; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_items[Check(nIndex)]; }
    const TYPE& ElementAt(INT_PTR nIndex) const { return m_items[Check(nIndex)]; }
    TYPE& operator[](INT_PTR nIndex) { return m_items[Check(nIndex)]; }
    const TYPE& operator[](INT_PTR nIndex) const { return m_items[Check(nIndex)]; }

    TYPE* GetData() { return m_items.empty() ? nullptr : m_items.data(); }
    const TYPE* GetData() const { return m_items.empty() ? nullptr : m_items.data(); }

    // Returns the index of the new element.
    INT_PTR Add(ARG_TYPE newElement) {
        m_items.push_back(newElement);
        return GetSize() - 1;
    }
    // An index at or beyond the end first grows the array to that index.
    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
        if (nIndex < 0) AfxThrowInvalidArgException();
        if (nIndex >= GetSize()) {
            TYPE copy(newElement);  // newElement may refer into the array
            m_items.resize(static_cast<size_t>(nIndex) + 1);
            m_items[static_cast<size_t>(nIndex)] = std::move(copy);
        } else {
            m_items[static_cast<size_t>(nIndex)] = newElement;
        }
    }
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
        if (nIndex < 0 || nCount < 0) AfxThrowInvalidArgException();
        TYPE copy(newElement);
        if (nIndex > GetSize()) m_items.resize(static_cast<size_t>(nIndex));
        m_items.insert(m_items.begin() + nIndex, static_cast<size_t>(nCount), copy);
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
        if (nIndex < 0 || nCount < 0 || nIndex > GetSize() || nCount > GetSize() - nIndex)
            AfxThrowInvalidArgException();
        m_items.erase(m_items.begin() + nIndex, m_items.begin() + nIndex + nCount);
    }

    void Copy(const CArray& src) {
        if (&src != this) m_items = src.m_items;
    }
    // Returns the index of the first appended element.
    INT_PTR Append(const CArray& src) {
        INT_PTR nOldSize = GetSize();
        if (&src == this) {
            std::vector<TYPE> copy(m_items);
            m_items.insert(m_items.end(), copy.begin(), copy.end());
        } else {
            m_items.insert(m_items.end(), src.m_items.begin(), src.m_items.end());
        }
        return nOldSize;
    }

private:
    size_t Check(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= GetSize()) AfxThrowInvalidArgException();
        return static_cast<size_t>(nIndex);
    }

    std::vector<TYPE> m_items;
};
