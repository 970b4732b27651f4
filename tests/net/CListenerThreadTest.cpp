// The listener when its port is taken: the status line and the message box.
#include "NetTestUtil.h"
#include "net/CListenerThread.h"
#include "net/CSocketedThreadList.h"
#include "net/CSenderThread.h"
#include "net/CDestinationDataArray.h"
#include "app/CBDFArray.h"
#include "app/CBrinmoorApp.h"
#include "afx/AfxMessageBox.h"
#include <atomic>
#include <thread>

using namespace nettest;

namespace {

struct FOUND
{
    HWND hWnd = nullptr;
};

BOOL CALLBACK FindMessageBox(HWND hWnd, LPARAM lParam)
{
    DWORD nProcess = 0;
    ::GetWindowThreadProcessId(hWnd, &nProcess);
    wchar_t szClass[16] = L"";
    ::GetClassNameW(hWnd, szClass, 16);
    if (nProcess == ::GetCurrentProcessId() && wcscmp(szClass, L"#32770") == 0 && ::IsWindowVisible(hWnd))
    {
        reinterpret_cast<FOUND*>(lParam)->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The box of this process, once it shows within the time; NULL if none.
HWND WaitForMessageBox(DWORD nTimeoutMs = 10000)
{
    FOUND found;
    WaitUntil(
        [&] {
            ::EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&found));
            return found.hWnd != nullptr;
        },
        nTimeoutMs);
    return found.hWnd;
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[16] = L"", szText[512] = L"";
    ::GetClassNameW(hWnd, szClass, 16);
    if (_wcsicmp(szClass, L"Static") == 0 && ::GetWindowTextW(hWnd, szText, 512) > 0)
        *reinterpret_cast<std::wstring*>(lParam) += szText;
    return TRUE;
}

TEST(ListenerThread, TakenPortShowsStatusAndMessageBox)
{
    // The listener waits in the box until OK is pressed, or until the end of
    // the program stops it (which waits for the listener).
    for (bool bStop : {false, true})
    {
        SCOPED_TRACE(bStop ? "ended by the stop" : "ended by OK");
        Listener taken;  // holds the port on 127.0.0.1
        theApp.m_nPort = taken.m_nPort;
        TakeStatus();
        StartListenerThread();

        HWND hBox = WaitForMessageBox();
        ASSERT_TRUE(hBox != nullptr) << "no message box";
        std::wstring text;
        ::EnumChildWindows(hBox, CollectText, reinterpret_cast<LPARAM>(&text));
        CString expected;
        expected.Format(L"受信用ポート(%d)を開けません(WinSockエラー %d)", taken.m_nPort, WSAEADDRINUSE);
        EXPECT_EQ(std::wstring(expected.GetString()), text);
        EXPECT_EQ(1, ListenerThreadList.GetCountLocked());
        if (bStop)
        {
            HANDLE hDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            std::thread stopper([&] {
                ListenerThreadList.StopAll(TRUE);
                ::SetEvent(hDone);
            });
            bool bReturned = ::WaitForSingleObject(hDone, 5000) == WAIT_OBJECT_0;
            if (!bReturned)
                ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);  // let the stop end
            stopper.join();
            ::CloseHandle(hDone);
            EXPECT_TRUE(bReturned) << "the stop waited for the box";
        }
        else
        {
            ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        }
        EXPECT_TRUE(WaitUntil([] { return ListenerThreadList.GetCountLocked() == 0; }));

        auto status = TakeStatus();
        ASSERT_EQ(2u, status.size()) << Join(status);
        EXPECT_EQ(L"起動中", status[0]);
        EXPECT_EQ(L"停止：" + std::wstring(expected.GetString()), status[1]);
    }
}

// Whether something accepts connections on 127.0.0.1:nPort.
bool Accepts(int nPort)
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool bConnected = ::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    ::closesocket(s);
    return bConnected;
}

// A port of 0 would listen on a port the system picks, one above 65535 on
// its lower 16 bits: neither is reachable as the stored port, so neither may
// look like a running server.
TEST(ListenerThread, PortOutsideOneTo65535IsAPortThatCantBeOpened)
{
    int nFree = FreePort();
    const struct
    {
        const char* what;
        int nPort;
        int nWrapsTo;  // the port its lower 16 bits name, checked when free
    } cases[] = {
        {"0", 0, -1},
        {"65536", 65536, -1},
        {"a free port + 65536", nFree + 65536, nFree},
        {"-1", -1, -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        theApp.m_nPort = c.nPort;
        TakeStatus();
        StartListenerThread();

        HWND hBox = WaitForMessageBox(3000);
        bool bBox = hBox != nullptr;
        EXPECT_TRUE(bBox) << "no message box";
        CString expected;
        expected.Format(L"受信用ポート(%d)を開けません(WinSockエラー %d)", c.nPort, WSAEINVAL);
        if (bBox)
        {
            std::wstring text;
            ::EnumChildWindows(hBox, CollectText, reinterpret_cast<LPARAM>(&text));
            EXPECT_EQ(std::wstring(expected.GetString()), text);
        }
        if (c.nWrapsTo > 0)
        {
            EXPECT_FALSE(Accepts(c.nWrapsTo)) << "listening on port " << c.nWrapsTo;
        }
        if (bBox)
            ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        else
            ListenerThreadList.StopAll(TRUE);
        EXPECT_TRUE(WaitUntil([] { return ListenerThreadList.GetCountLocked() == 0; }));

        auto status = TakeStatus();
        EXPECT_EQ((std::vector<std::wstring>{L"起動中", L"停止：" + std::wstring(expected.GetString())}), status)
            << Join(status);
    }
}

TEST(ListenerThread, StoppedBeforeItRunsShowsNoBox)
{
    Listener taken;
    CAdoPtr<CSocketedThread> hold(new CListenerThread());
    CListenerThread* pListener = static_cast<CListenerThread*>(hold.Get());
    pListener->m_nPort = taken.m_nPort;
    pListener->Stop();
    TakeStatus();
    std::thread runner([&] { pListener->Run(); });
    HWND hBox = WaitForMessageBox(1000);
    bool bBox = hBox != nullptr;
    if (bBox)
        ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    runner.join();
    EXPECT_FALSE(bBox) << "a box while the program ends";
    auto status = TakeStatus();
    ASSERT_EQ(2u, status.size()) << Join(status);
    EXPECT_EQ(0u, status[1].find(L"停止：受信用ポート(")) << Join(status);
}

TEST(ListenerThread, StopJustBeforeTheBoxAppearsClosesIt)
{
    // The stop comes after the listener has decided to show the box and
    // before the box exists, so nothing that the stop does can find it; and
    // nobody stops the listener again.
    static std::atomic<bool> s_bShown;
    s_bShown = false;
    AFX_MESSAGEBOX_HOOK pfnOld = AfxSetMessageBoxHook([](HWND hWnd, LPCWSTR pszText, LPCWSTR pszCaption, UINT nType) {
        {
            CSingleLock lock(&ListenerThreadList.m_mutex, TRUE);
            if (!ListenerThreadList.IsEmpty())
                ListenerThreadList.GetHead()->Stop();
        }
        s_bShown = true;
        return ::MessageBoxW(hWnd, pszText, pszCaption, nType);
    });
    Listener taken;
    theApp.m_nPort = taken.m_nPort;
    TakeStatus();
    StartListenerThread();
    bool bEnded = WaitUntil([] { return ListenerThreadList.GetCountLocked() == 0; }, 5000);
    if (!bEnded)
    {
        FOUND found;
        ::EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&found));
        if (found.hWnd != nullptr)
            ::PostMessageW(found.hWnd, WM_COMMAND, IDOK, 0);  // let the listener end
        WaitUntil([] { return ListenerThreadList.GetCountLocked() == 0; });
    }
    AfxSetMessageBoxHook(pfnOld);
    EXPECT_TRUE(s_bShown) << "the box was never shown";
    EXPECT_TRUE(bEnded) << "the box waited for OK";
    TakeStatus();
}

// While the box about the taken port is up, this computer listens on nothing:
// a copy to that address and port goes to whoever holds the port.
TEST(ListenerThread, TakenPortIsNoOwnReceiver)
{
    Listener taken;
    theApp.m_nPort = taken.m_nPort;
    TakeStatus();
    StartListenerThread();
    HWND hBox = WaitForMessageBox();
    ASSERT_TRUE(hBox != nullptr) << "no message box";

    CDestinationDataArray* pOld = theApp.m_pDestinations;
    theApp.m_pDestinations =
        CDestinationDataArray::FromString((L"1,\"127.0.0.1\"," + std::to_wstring(taken.m_nPort) + L",0").c_str());
    TakeLog();
    CAdoPtr<CBDFArray> pData(new CBDFArray());
    StartSenderThreads(pData);
    {
        CSocketX peer;
        EXPECT_TRUE(taken.Accept(peer)) << "the copy was not attempted";
    }
    EXPECT_TRUE(WaitUntil([] { return SenderThreadList.GetCountLocked() == 0; }));
    for (const auto& line : TakeLog())
        EXPECT_EQ(std::wstring::npos, line.find(L"【送信なし】")) << Narrow(line);
    delete theApp.m_pDestinations;
    theApp.m_pDestinations = pOld;

    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([] { return ListenerThreadList.GetCountLocked() == 0; }));
    TakeStatus();
}

}  // namespace
