#pragma once

#include "afx/Afx.h"

// One destination computer: its receive server's host and port, and whether
// copies go to it.
class CDestinationData
{
public:
    CDestinationData() : m_bEnabled(1), m_nPort(0), m_nProtocol(0) {}
    virtual ~CDestinationData() {}

    // Parses one record of the "Destination" text: enabled, name, port and
    // optionally protocol, separated by ",". NULL for fewer than three fields.
    // The caller owns the result.
    static CDestinationData* FromString(const CString& strRecord);

    // The row text of the destination list: name, " : <port>", one blank.
    CString GetListText() const;

    int m_bEnabled;     // non-zero: send to it; written as 1 or 0
    CString m_strName;  // computer name or IPv4 address
    int m_nPort;
    int m_nProtocol;  // 0 IPv4, 1 IPv6; stored and carried, not used by the transfer
};

// One record: "1" or "0", the quoted name, the port, the protocol, joined by ",".
// Empty for NULL.
CString DestinationToString(const CDestinationData* pData);
