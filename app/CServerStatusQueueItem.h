#pragma once

#include "afx/Afx.h"

// One server-status text for the main dialog, and which status line it goes to.
class CServerStatusQueueItem
{
public:
    CServerStatusQueueItem() : m_bIPv6(0) {}
    CServerStatusQueueItem(int bIPv6, LPCWSTR pszText) : m_bIPv6(bIPv6), m_strText(pszText != nullptr ? pszText : L"")
    {}
    virtual ~CServerStatusQueueItem() {}

    int m_bIPv6;  // 0: the IPv4 status line; otherwise the IPv6 line
    CString m_strText;
};
