#pragma once

#include "afx/Afx.h"
#include "app/CAdo.h"
#include "app/CBDF.h"

// The record set of one clipboard copy, in clipboard order (sending side) or
// directory order (receiving side); a record's index is its index on the wire.
// It owns its records, their data copies and every block whose handle is set.
//
// On the sending side every sender of a copy reads the same set, and a sender
// serving a request stores the data it fetched for a placeholder into it. That
// write goes through LoadData under the set's own lock, and readers that can
// meet it use GetData: a record is loaded at most once, never seen half
// loaded, and keeps one buffer and one size until the set is freed.
class CBDFArray : public CAdo
{
public:
    CBDFArray() {}
    virtual ~CBDFArray();
    CBDFArray(const CBDFArray&) = delete;
    CBDFArray& operator=(const CBDFArray&) = delete;

    // Appends a record (the set owns it from here on, also when Add throws).
    INT_PTR Add(CBDF* pRecord);
    INT_PTR GetCount() const { return m_arrItems.GetSize(); }
    // NULL for an index outside the set.
    CBDF* GetAt(INT_PTR nIndex) const;

    // The record's data and size as they stand, read under the set's lock.
    // FALSE for an index outside the set or a NULL record. A sender takes
    // each size once for its directory and keeps using that value for its
    // data step, so a record another sender loads meanwhile stays a
    // placeholder for that connection.
    BOOL GetData(INT_PTR nIndex, const BYTE*& pData, DWORD& nSize) const;

    // Gives a record's data, calling load(CBDF&) under the set's lock when
    // the record has none yet. load sets m_pData (new BYTE[]) and m_nSize, or
    // leaves both unset; an inconsistent result (data without size or size
    // without data) is undone. TRUE when the record has data afterwards.
    // An exception from load passes on, with the record settled as above.
    template <class F>
    BOOL LoadData(INT_PTR nIndex, F load, const BYTE*& pData, DWORD& nSize)
    {
        pData = nullptr;
        nSize = 0;
        CSingleLock lock(&m_mutexData, TRUE);
        CBDF* pRecord = GetAt(nIndex);
        if (pRecord == nullptr)
            return FALSE;
        if (pRecord->m_pData == nullptr || pRecord->m_nSize == 0)
        {
            try
            {
                load(*pRecord);
            }
            catch (...)
            {
                Settle(*pRecord);
                throw;
            }
            Settle(*pRecord);
        }
        pData = pRecord->m_pData;
        nSize = pRecord->m_nSize;
        return pData != nullptr;
    }

    CArray<CBDF*, CBDF*> m_arrItems;

private:
    static void Settle(CBDF& record);

    // Guards m_pData and m_nSize of placeholder records while senders load them.
    mutable CMutex m_mutexData;
};
