#pragma once
// One outgoing message collected in memory, so that it leaves in one send.

#include "afx/Afx.h"

class CSendBuffer
{
public:
    CSendBuffer() {}
    virtual ~CSendBuffer() {}

    // The text's UTF-16LE code units without a terminator ("C3" is 43 00 33 00).
    void AppendString(LPCWSTR lpszText);
    // Four bytes, least significant first.
    void AppendUInt32(DWORD nValue);
    // Eight bytes, least significant first.
    void AppendUInt64(ULONGLONG nValue);
    void AppendBytes(const CByteArray& arrBytes);
    void AppendBytes(const BYTE* pBytes, DWORD nCount);

    CByteArray m_data;
};
