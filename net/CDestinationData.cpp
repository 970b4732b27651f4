#include "net/CDestinationData.h"

#include <stdlib.h>

#include "app/QuotedList.h"

CDestinationData* CDestinationData::FromString(const CString& strRecord)
{
    CStringArray arrFields;
    SplitQuotedList(strRecord, L",", arrFields);
    if (arrFields.GetSize() < 3)
        return nullptr;

    CDestinationData* pData = new CDestinationData;
    pData->m_bEnabled = static_cast<int>(_wtol(arrFields[0]));
    pData->m_strName = UnquoteString(arrFields[1]);
    pData->m_nPort = static_cast<int>(_wtol(arrFields[2]));
    pData->m_nProtocol = arrFields.GetSize() >= 4 ? static_cast<int>(_wtol(arrFields[3])) : 0;
    return pData;
}

CString CDestinationData::GetListText() const
{
    CString strText;
    strText.Format(L" : %d ", m_nPort);
    return m_strName + strText;
}

CString DestinationToString(const CDestinationData* pData)
{
    if (pData == nullptr)
        return CString();
    CStringArray arrFields;
    arrFields.Add(pData->m_bEnabled != 0 ? CString(L"1") : CString(L"0"));
    arrFields.Add(QuoteString(pData->m_strName));
    CString strNumber;
    strNumber.Format(L"%d", pData->m_nPort);
    arrFields.Add(strNumber);
    strNumber.Format(L"%d", pData->m_nProtocol);
    arrFields.Add(strNumber);
    return JoinStrings(arrFields, L",");
}
