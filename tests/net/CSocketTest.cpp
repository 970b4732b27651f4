// The framework's blocking socket over loopback: connect by address and by
// name, exact errors, cancel from another thread, hand-off of a raw handle.
#include <gtest/gtest.h>
#include "afx/Afx.h"
#include <thread>
#include <atomic>

namespace {

class SocketTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AfxSocketInit());
        ASSERT_TRUE(m_listener.Create(0, SOCK_STREAM, AFX_SOCKET_ALL_EVENTS, L"127.0.0.1"));
        ASSERT_TRUE(m_listener.Listen(5));
        sockaddr_in addr = {};
        int nLength = sizeof(addr);
        ASSERT_TRUE(m_listener.GetSockName(reinterpret_cast<SOCKADDR*>(&addr), &nLength));
        m_nPort = ntohs(addr.sin_port);
    }

    // A connected pair: client from Connect, server from Accept.
    void Connect(CSocket& client, CSocket& server, LPCWSTR pszHost = L"127.0.0.1")
    {
        ASSERT_TRUE(client.Create());
        std::thread t([&] { EXPECT_TRUE(m_listener.Accept(server)) << WSAGetLastError(); });
        bool bConnected = client.Connect(pszHost, m_nPort) != FALSE;
        EXPECT_TRUE(bConnected) << WSAGetLastError();
        if (!bConnected)
            m_listener.CancelBlockingCall();  // else the accept waits for ever
        t.join();
    }

    // 3 MB each way is far more than the socket buffers: Send and Receive
    // must loop over partial transfers.
    void ExpectTransfer(LPCWSTR pszHost)
    {
        CSocket client, server;
        Connect(client, server, pszHost);
        if (HasFailure())
            return;
        std::vector<char> data(3 * 1024 * 1024);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(i * 7);
        std::thread sender([&] {
            int nSent = client.Send(data.data(), int(data.size()));
            EXPECT_EQ(int(data.size()), nSent) << pszHost << ": send failed with " << WSAGetLastError();
            if (nSent != int(data.size()))
                server.CancelBlockingCall();  // else the receive waits for ever
        });
        std::vector<char> got(data.size());
        size_t nDone = 0;
        while (nDone < got.size())
        {
            int n = server.Receive(got.data() + nDone, int(got.size() - nDone));
            if (n <= 0)
            {
                ADD_FAILURE() << pszHost << ": receive failed with " << WSAGetLastError();
                client.CancelBlockingCall();
                break;
            }
            nDone += n;
        }
        sender.join();
        EXPECT_TRUE(data == got) << pszHost;
        client.Close();
        char c;
        EXPECT_EQ(0, server.Receive(&c, 1)) << pszHost << ": the peer's close reads as 0";
    }

    // Names go to the machine's own resolver, which may not know "localhost".
    static bool LocalhostResolves()
    {
        ADDRINFOW hints = {};
        hints.ai_family = AF_INET;
        ADDRINFOW* pResult = nullptr;
        if (::GetAddrInfoW(L"localhost", nullptr, &hints, &pResult) != 0)
            return false;
        ::FreeAddrInfoW(pResult);
        return true;
    }

    CSocket m_listener;
    UINT m_nPort = 0;
};

TEST_F(SocketTest, SendsAndReceivesByAddress) { ExpectTransfer(L"127.0.0.1"); }

TEST_F(SocketTest, SendsAndReceivesByName)
{
    if (!LocalhostResolves())
        GTEST_SKIP() << "this machine's resolver doesn't know localhost";
    ExpectTransfer(L"localhost");
}

TEST_F(SocketTest, ConnectErrors)
{
    // Only loopback: no name that would need a resolver on the network.
    // A port beyond 16 bits must not wrap round to the listener's port.
    enum
    {
        WRAPPED,
        ZERO,
        CLOSED
    };
    struct
    {
        LPCWSTR pszHost;
        int nPort;
        int nError;
    } cases[] = {
        {L"127.0.0.1", WRAPPED, WSAEINVAL},
        {L"", ZERO, 0},  // any error
        {L"127.0.0.1", CLOSED, WSAECONNREFUSED},
        {L"localhost", CLOSED, WSAECONNREFUSED},
    };
    for (auto& c : cases)
    {
        if (wcscmp(c.pszHost, L"localhost") == 0 && !LocalhostResolves())
            continue;
        CSocket s;
        ASSERT_TRUE(s.Create());
        UINT nPort = m_nPort;
        if (c.nPort == CLOSED)
            m_listener.Close();
        else if (c.nPort == ZERO)
            nPort = 0;
        else
            nPort = m_nPort + 65536;
        EXPECT_FALSE(s.Connect(c.pszHost, nPort)) << c.pszHost << " port " << nPort;
        int nError = WSAGetLastError();
        if (c.nError != 0)
            EXPECT_EQ(c.nError, nError) << c.pszHost << " port " << nPort;
        else
            EXPECT_NE(0, nError) << c.pszHost << " port " << nPort;
    }
}

TEST_F(SocketTest, PortBeyond16BitsIsRefusedNotWrapped)
{
    // 65536 would wrap to 0, "any port", and bind.
    CSocket s;
    EXPECT_FALSE(s.Create(65536));
    EXPECT_EQ(WSAEINVAL, WSAGetLastError());
    EXPECT_EQ(INVALID_SOCKET, s.m_hSocket);
}

TEST_F(SocketTest, CancelInterruptsBlockedCallsFromAnotherThread)
{
    enum
    {
        RECEIVE,
        ACCEPT,
        SEND
    };
    // The listener comes last: its cancel stays in force.
    for (int nCall : {RECEIVE, SEND, ACCEPT})
    {
        CSocket client, server;
        Connect(client, server);
        CSocket* pTarget = nCall == ACCEPT ? &m_listener : &client;
        std::atomic<int> nResult(1), nError(0);
        std::thread worker([&] {
            if (nCall == RECEIVE)
            {
                char c;
                nResult = client.Receive(&c, 1);
            }
            else if (nCall == ACCEPT)
            {
                CSocket other;
                nResult = m_listener.Accept(other) ? 1 : SOCKET_ERROR;
            }
            else
            {
                // Much more than the socket buffers hold while nobody reads.
                std::vector<char> big(64 * 1024 * 1024);
                nResult = client.Send(big.data(), int(big.size()));
            }
            nError = WSAGetLastError();
        });
        // A busy machine may take a while to get the worker into its call.
        for (int i = 0; i < 6000 && !pTarget->IsBlocking(); ++i)
            ::Sleep(10);
        ::Sleep(50);
        EXPECT_TRUE(pTarget->IsBlocking()) << "call " << nCall;
        pTarget->CancelBlockingCall();
        worker.join();
        EXPECT_EQ(SOCKET_ERROR, nResult.load()) << "call " << nCall;
        EXPECT_EQ(WSAEINTR, nError.load()) << "call " << nCall;
        // A cancel also makes later calls fail at once, without waiting.
        char c;
        if (nCall != ACCEPT)
        {
            EXPECT_EQ(SOCKET_ERROR, client.Receive(&c, 1)) << "call " << nCall;
            EXPECT_EQ(WSAEINTR, WSAGetLastError()) << "call " << nCall;
        }
    }
}

TEST_F(SocketTest, CancelWithoutHandleIsHarmless)
{
    CSocket s;
    s.CancelBlockingCall();
    ASSERT_TRUE(s.Create());  // a new handle starts without the old cancel
    EXPECT_FALSE(s.IsBlocking());
}

TEST_F(SocketTest, AcceptedHandleWorksOnAnotherThread)
{
    CSocket client, server;
    Connect(client, server);
    SOCKET h = server.Detach();
    ASSERT_NE(INVALID_SOCKET, h);
    EXPECT_EQ(INVALID_SOCKET, server.m_hSocket);

    std::string got;
    std::thread other([&] {
        CSocket attached;
        ASSERT_TRUE(attached.Attach(h));
        sockaddr_in peer = {};
        int nLength = sizeof(peer);
        EXPECT_TRUE(attached.GetPeerName(reinterpret_cast<SOCKADDR*>(&peer), &nLength));
        EXPECT_EQ(htonl(INADDR_LOOPBACK), peer.sin_addr.s_addr);
        char buf[5] = {};
        int nDone = 0;
        while (nDone < 5)
        {
            int n = attached.Receive(buf + nDone, 5 - nDone);
            ASSERT_GT(n, 0);
            nDone += n;
        }
        got.assign(buf, 5);
        EXPECT_EQ(2, attached.Send("ok", 2));
    });
    EXPECT_EQ(5, client.Send("hello", 5));
    other.join();
    EXPECT_EQ("hello", got);
    char buf[2];
    int nDone = 0;
    while (nDone < 2)
    {
        int n = client.Receive(buf + nDone, 2 - nDone);
        ASSERT_GT(n, 0);
        nDone += n;
    }
    EXPECT_EQ(0, memcmp(buf, "ok", 2));
}

}  // namespace
