#pragma once

#include "afx/Afx.h"
#include "net/CDestinationData.h"

// The destination list in the user's order. It owns its elements. Used on the
// UI thread only, so it has no lock.
class CDestinationDataArray
{
public:
    CDestinationDataArray() {}
    virtual ~CDestinationDataArray();
    CDestinationDataArray(const CDestinationDataArray&) = delete;
    CDestinationDataArray& operator=(const CDestinationDataArray&) = delete;

    // Parses the whole "Destination" text: records separated by ";"; records
    // that don't parse are skipped. Never NULL; the caller owns the result.
    static CDestinationDataArray* FromString(const CString& strText);

    CArray<CDestinationData*, CDestinationData*> m_arrDestinations;
};

// The whole "Destination" text: the records in order, joined by ";". NULL
// (no list) and NULL elements write nothing.
CString DestinationListToString(const CDestinationDataArray* pArray);
