#include "app/CBDFArray.h"

CBDFArray::~CBDFArray()
{
    const INT_PTR nCount = m_arrItems.GetSize();
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        CBDF* pRecord = m_arrItems[i];
        if (pRecord == nullptr)
            continue;
        delete[] pRecord->m_pData;
        // A block still set is one the clipboard never took.
        if (pRecord->m_hGlobal != nullptr)
            ::GlobalFree(pRecord->m_hGlobal);
        delete pRecord;
    }
    m_arrItems.RemoveAll();
}

INT_PTR CBDFArray::Add(CBDF* pRecord)
{
    try
    {
        return m_arrItems.Add(pRecord);
    }
    catch (...)
    {
        // Nobody else would free a record that never made it into the set.
        if (pRecord != nullptr)
        {
            delete[] pRecord->m_pData;
            if (pRecord->m_hGlobal != nullptr)
                ::GlobalFree(pRecord->m_hGlobal);
            delete pRecord;
        }
        throw;
    }
}

CBDF* CBDFArray::GetAt(INT_PTR nIndex) const
{
    if (nIndex < 0 || nIndex >= m_arrItems.GetSize())
        return nullptr;
    return m_arrItems[nIndex];
}

BOOL CBDFArray::GetData(INT_PTR nIndex, const BYTE*& pData, DWORD& nSize) const
{
    CSingleLock lock(&m_mutexData, TRUE);
    pData = nullptr;
    nSize = 0;
    const CBDF* pRecord = GetAt(nIndex);
    if (pRecord == nullptr)
        return FALSE;
    pData = pRecord->m_pData;
    nSize = pRecord->m_nSize;
    return TRUE;
}

void CBDFArray::Settle(CBDF& record)
{
    if (record.m_pData != nullptr && record.m_nSize == 0)
    {
        delete[] record.m_pData;
        record.m_pData = nullptr;
    }
    if (record.m_pData == nullptr)
        record.m_nSize = 0;
}
