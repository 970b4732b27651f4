#include "net/CListenerThread.h"
#include "net/CReceiverThread.h"
#include "net/CSocketedThreadList.h"
#include "net/CWorkerThreadScope.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"

std::atomic<int> CListenerThread::s_nListeningPort(0);

void StartListenerThread()
{
    CListenerThread* pThread = new CListenerThread();
    pThread->m_nProtocolIndex = 0;
    pThread->m_nPort = theApp.m_nPort;
    if (!StartWorkerThread(&ListenerThreadList, pThread, ListenerThreadProc))
        PushServerStatus(0, L"停止：スレッドを開始できません。");
}

UINT ListenerThreadProc(LPVOID pParam)
{
    CListenerThread* pThread = static_cast<CListenerThread*>(pParam);
    CWorkerThreadScope scope(&ListenerThreadList, pThread, L"受信待機");
    scope.Run([pThread] { pThread->Run(); });
    return 0;
}

namespace {

BOOL CALLBACK CloseMessageBox(HWND hWnd, LPARAM)
{
    wchar_t szClass[8] = L"";
    ::GetClassNameW(hWnd, szClass, 8);
    // A box with only an OK button ends on WM_CLOSE as on OK.
    if (wcscmp(szClass, L"#32770") == 0)
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

// The listener whose box is up on this thread, for the box's timer.
thread_local CListenerThread* t_pBoxOwner = nullptr;

void CALLBACK CloseBoxOnStop(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_pBoxOwner != nullptr && t_pBoxOwner->m_bStop)
        ::EnumThreadWindows(::GetCurrentThreadId(), CloseMessageBox, 0);
}

}  // namespace

void CListenerThread::ShowPortBox(const CString& strText)
{
    // The box waits for OK, and the end of the program waits for the
    // listener. The box's own message loop runs this timer, which looks at
    // the stop flag itself: a stop that came just before the box appeared
    // closes it as surely as one that comes while it is up.
    t_pBoxOwner = this;
    UINT_PTR nTimer = ::SetTimer(nullptr, 0, 100, CloseBoxOnStop);
    AfxMessageBox(strText, MB_OK);
    if (nTimer != 0)
        ::KillTimer(nullptr, nTimer);
    t_pBoxOwner = nullptr;
}

void CListenerThread::Run()
{
    AfxSocketInit();
    PushServerStatus(m_nProtocolIndex, L"起動中");
    // Port 0 would bind a port the system picks, which no peer knows; the
    // stored port has no range check of its own.
    BOOL bPortValid = m_nPort >= 1 && m_nPort <= 65535;
    if (!bPortValid || !m_socket.Create(static_cast<UINT>(m_nPort)))
    {
        CString strText;
        strText.Format(L"受信用ポート(%d)を開けません(WinSockエラー %d)", m_nPort,
                       bPortValid ? m_socket.GetError() : WSAEINVAL);
        PushServerStatus(m_nProtocolIndex, L"停止：" + strText);
        m_socket.Close();
        // A listener stopped before its thread got here (the program ending
        // at once) shows no box.
        if (!m_bStop)
            ShowPortBox(strText);
        return;
    }
    CString strStatus;
    strStatus.Format(L"稼働中　ポート %d", m_nPort);
    PushServerStatus(m_nProtocolIndex, strStatus);
    AcceptLoop();
    m_socket.Close();
}

void CListenerThread::AcceptLoop()
{
    if (m_socket.IsAborted() || !m_socket.m_socket.Listen(5))
    {
        if (m_bStop)
            return;
        CString strText;
        strText.Format(L"停止：Listenエラー(WinSockエラー %d)", m_socket.GetError());
        PushServerStatus(m_nProtocolIndex, strText);
        return;
    }
    s_nListeningPort = m_nPort;
    struct CNotListening
    {
        ~CNotListening() { s_nListeningPort = 0; }
    } notListening;
    for (;;)
    {
        if (m_bStop)
        {
            PushServerStatus(m_nProtocolIndex, L"停止：終了");
            return;
        }
        CSocketX accepted;
        if (m_socket.IsAborted() || !m_socket.m_socket.Accept(accepted.m_socket))
        {
            int nError = m_socket.GetError();
            if (!m_bStop && (nError == WSAECONNRESET || nError == WSAECONNABORTED))
            {
                // One peer gave up before its connection was taken; that ends
                // only that connection, not the server.
                continue;
            }
            if (m_bStop)
            {
                PushServerStatus(m_nProtocolIndex, L"停止：終了");
            }
            else
            {
                CString strText;
                strText.Format(L"停止：Acceptエラー(WinSockエラー %d)", nError);
                PushServerStatus(m_nProtocolIndex, strText);
            }
            return;
        }

        // The older receivers are stopped by this one once its copy is
        // accepted: a peer without the password must not end them.
        SOCKET hSocket = accepted.m_socket.Detach();
        CReceiverThread* pReceiver = nullptr;
        try
        {
            pReceiver = new CReceiverThread(m_nProtocolIndex);
        }
        catch (CMemoryException&)
        {
            // Only this connection is lost; the server goes on.
            ::closesocket(hSocket);
            AddLog(L"【受信エラー】 メモリ不足のため受信データを処理できません。");
            continue;
        }
        // From here the receiver owns the handle, also when its thread can't start.
        pReceiver->m_hSocket = hSocket;
        if (!StartWorkerThread(&ReceiverThreadList, pReceiver, ReceiverThreadProc))
            AddLog(L"【受信エラー】 スレッドを開始できません。");
    }
}

UINT ReceiverThreadProc(LPVOID pParam)
{
    CReceiverThread* pThread = static_cast<CReceiverThread*>(pParam);
    // Closes the socket on the way out, as the job doesn't.
    CWorkerThreadScope scope(&ReceiverThreadList, pThread, L"受信");
    scope.Run([pThread] {
        AfxSocketInit();
        SOCKET hSocket = pThread->m_hSocket;
        pThread->m_hSocket = INVALID_SOCKET;
        if (pThread->m_socket.m_socket.Attach(hSocket, AFX_SOCKET_ALL_EVENTS))
        {
            // Replies and requests are small; they must not wait for a delayed
            // acknowledgement. The bytes on the wire are the same either way.
            BOOL bNoDelay = TRUE;
            pThread->m_socket.m_socket.SetSockOpt(TCP_NODELAY, &bNoDelay, sizeof(bNoDelay), IPPROTO_TCP);
        }
        pThread->DoSession();
    });
    return 0;
}
