#pragma once
// A receiver's connection until it has passed its password check (with RSA,
// its key exchange too). Such connections are bounded in time and number: a
// connection is closed once its deadline has passed, and while too many
// wait, a newer one closes the oldest. A silent stranger thus holds a
// receiver thread only for a while, and a flood of them can't keep an honest
// sender out.

#include "afx/Afx.h"
#include "net/CSocketX.h"
#include <atomic>

class CHandshakeGate
{
public:
    explicit CHandshakeGate(CSocketX* pSocket);
    ~CHandshakeGate();

    // The check is passed: neither rule closes the connection any more.
    void Pass();

    static int GetWaitingCount();

    // Read when a connection enters; tests shorten them.
    static DWORD s_nDeadlineMs;
    static int s_nMaxWaiting;

private:
    static void CALLBACK OnDeadline(PVOID pParam, BOOLEAN bTimerOrWait);
    // Under the queue's lock: takes the connection out and aborts its socket.
    void CloseLocked(BOOL bByDeadline);
    void UnlinkLocked();

    CSocketX* m_pSocket;
    HANDLE m_hTimer;
    BOOL m_bWaiting;  // in the queue; under the queue's lock
    CHandshakeGate* m_pNewer;
    CHandshakeGate* m_pOlder;

    CHandshakeGate(const CHandshakeGate&) = delete;
    CHandshakeGate& operator=(const CHandshakeGate&) = delete;
};
