#include "net/CDestinationDataArray.h"

#include "app/QuotedList.h"

CDestinationDataArray::~CDestinationDataArray()
{
    const INT_PTR nCount = m_arrDestinations.GetSize();
    for (INT_PTR i = 0; i < nCount; ++i)
        delete m_arrDestinations[i];
    m_arrDestinations.RemoveAll();
}

CDestinationDataArray* CDestinationDataArray::FromString(const CString& strText)
{
    CDestinationDataArray* pArray = new CDestinationDataArray;
    try
    {
        CStringArray arrRecords;
        SplitQuotedList(strText, L";", arrRecords);
        for (INT_PTR i = 0; i < arrRecords.GetSize(); ++i)
        {
            CDestinationData* pData = CDestinationData::FromString(arrRecords[i]);
            if (pData == nullptr)
                continue;
            try
            {
                pArray->m_arrDestinations.Add(pData);
            }
            catch (...)
            {
                delete pData;
                throw;
            }
        }
    }
    catch (...)
    {
        delete pArray;
        throw;
    }
    return pArray;
}

CString DestinationListToString(const CDestinationDataArray* pArray)
{
    CStringArray arrRecords;
    if (pArray != nullptr)
    {
        for (INT_PTR i = 0; i < pArray->m_arrDestinations.GetSize(); ++i)
        {
            const CDestinationData* pData = pArray->m_arrDestinations[i];
            if (pData != nullptr)
                arrRecords.Add(DestinationToString(pData));
        }
    }
    return JoinStrings(arrRecords, L";");
}
