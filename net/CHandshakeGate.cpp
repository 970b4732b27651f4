#include "net/CHandshakeGate.h"
#include "app/EventLog.h"

DWORD CHandshakeGate::s_nDeadlineMs = 30000;
int CHandshakeGate::s_nMaxWaiting = 32;

namespace {

CMutex g_mutexQueue;
// The waiting connections, oldest first; under g_mutexQueue.
CHandshakeGate* g_pOldest = nullptr;
CHandshakeGate* g_pNewest = nullptr;
int g_nWaiting = 0;
// One line for each rule per flood, not one per connection: a rule logs
// again only after the queue has once been empty.
BOOL g_bCapLogged = FALSE;
BOOL g_bDeadlineLogged = FALSE;

}  // namespace

CHandshakeGate::CHandshakeGate(CSocketX* pSocket)
    : m_pSocket(pSocket), m_hTimer(nullptr), m_bWaiting(TRUE), m_pNewer(nullptr), m_pOlder(nullptr)
{
    {
        CSingleLock lock(&g_mutexQueue, TRUE);
        while (g_nWaiting > 0 && g_nWaiting >= s_nMaxWaiting)
            g_pOldest->CloseLocked(FALSE);
        m_pOlder = g_pNewest;
        if (g_pNewest != nullptr)
            g_pNewest->m_pNewer = this;
        else
            g_pOldest = this;
        g_pNewest = this;
        ++g_nWaiting;
    }
    if (!::CreateTimerQueueTimer(&m_hTimer, nullptr, OnDeadline, this, s_nDeadlineMs, 0,
                                 WT_EXECUTEONLYONCE | WT_EXECUTEINTIMERTHREAD))
    {
        m_hTimer = nullptr;
        AddLog(L"【受信エラー】 パスワードの確認の期限を設けられません。");
    }
}

CHandshakeGate::~CHandshakeGate() { Pass(); }

void CHandshakeGate::Pass()
{
    {
        CSingleLock lock(&g_mutexQueue, TRUE);
        if (m_bWaiting)
        {
            UnlinkLocked();
            if (g_nWaiting == 0)
                g_bCapLogged = g_bDeadlineLogged = FALSE;
        }
    }
    // Waits for a deadline call under way; that call takes the lock itself.
    if (m_hTimer != nullptr)
    {
        ::DeleteTimerQueueTimer(nullptr, m_hTimer, INVALID_HANDLE_VALUE);
        m_hTimer = nullptr;
    }
}

int CHandshakeGate::GetWaitingCount()
{
    CSingleLock lock(&g_mutexQueue, TRUE);
    return g_nWaiting;
}

void CALLBACK CHandshakeGate::OnDeadline(PVOID pParam, BOOLEAN)
{
    CHandshakeGate* pGate = static_cast<CHandshakeGate*>(pParam);
    CSingleLock lock(&g_mutexQueue, TRUE);
    if (pGate->m_bWaiting)
        pGate->CloseLocked(TRUE);
    if (g_nWaiting == 0)
        g_bCapLogged = g_bDeadlineLogged = FALSE;
}

void CHandshakeGate::CloseLocked(BOOL bByDeadline)
{
    UnlinkLocked();
    m_pSocket->Abort();
    BOOL& bLogged = bByDeadline ? g_bDeadlineLogged : g_bCapLogged;
    if (!bLogged)
    {
        bLogged = TRUE;
        AddLog(bByDeadline ? L"【受信エラー】 パスワードの確認が期限内に済まない接続を閉じます。"
                           : L"【受信エラー】 パスワードの確認を待つ接続が多すぎるため、古いものから閉じます。");
    }
}

void CHandshakeGate::UnlinkLocked()
{
    m_bWaiting = FALSE;
    (m_pOlder != nullptr ? m_pOlder->m_pNewer : g_pOldest) = m_pNewer;
    (m_pNewer != nullptr ? m_pNewer->m_pOlder : g_pNewest) = m_pOlder;
    m_pNewer = m_pOlder = nullptr;
    --g_nWaiting;
}
