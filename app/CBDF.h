#pragma once

#include "afx/Afx.h"

// One clipboard format's data. A record with m_nSize 0 and no data is a
// placeholder: its data is fetched only when the other computer pastes it.
// The CBDFArray holding a record frees its data, its block and the record.
class CBDF
{
public:
    // Sending-side records and placeholders are filled field by field.
    CBDF() : m_nFormat(0), m_pData(nullptr), m_nSize(0), m_hGlobal(nullptr) {}
    // Receiving side: a block of nSize bytes, filled from the wire later.
    CBDF(UINT nFormat, const CString& strName, HGLOBAL hGlobal, DWORD nSize)
        : m_nFormat(nFormat), m_strName(strName), m_pData(nullptr), m_nSize(nSize), m_hGlobal(hGlobal)
    {}

    // A record's size is 32-bit on the wire and here; a block larger than that
    // can't travel and must not be truncated into a record.
    static BOOL SizeFits(ULONGLONG nBytes) { return nBytes <= 0xFFFFFFFFull; }

    UINT m_nFormat;     // 0xC000..0xFFFF: registered formats
    CString m_strName;  // "CF_TEXT" etc., or the registered name
    BYTE* m_pData;      // sending side: copy of the data (new BYTE[]); NULL otherwise
    DWORD m_nSize;      // bytes; 0 in a placeholder
    HGLOBAL m_hGlobal;  // receiving side: block not (yet) taken by the clipboard
};
