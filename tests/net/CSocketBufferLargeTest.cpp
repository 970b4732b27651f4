// Blocks of more than one piece, which a keystream thread enciphers ahead of
// the sends and deciphers behind the receives: the same bytes and keystream
// order as one thread would give, errors that are the failed call's own, and
// no thread left behind on any way out.
#include "NetTestUtil.h"
#include "crypto/CGRand.h"
#include <tlhelp32.h>
#include <thread>

using namespace nettest;

namespace {

const DWORD MB = 1048576;

void Fill(std::vector<BYTE>& v, size_t n, BYTE nSeed)
{
    v.resize(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<BYTE>(nSeed + i * 31 + (i >> 9));
}

std::vector<BYTE> Key()
{
    std::vector<BYTE> key;
    Fill(key, 32, 77);
    return key;
}

void SetKey(CSocketBuffer& buffer)
{
    std::vector<BYTE> key = Key();
    CByteArray a;
    a.SetSize(key.size());
    memcpy(a.GetData(), key.data(), key.size());
    buffer.SetKey(nullptr, a);
}

// The threads of this process now.
int ThreadCount()
{
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    int n = 0;
    for (BOOL b = ::Thread32First(hSnap, &te); b; b = ::Thread32Next(hSnap, &te))
        n += te.th32OwnerProcessID == ::GetCurrentProcessId();
    ::CloseHandle(hSnap);
    return n;
}

bool WaitBlocking(CSocketX& s)
{
    return WaitUntil([&] { return s.m_socket.IsBlocking() != FALSE; }, 10000);
}

class SocketBufferLargeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ConnectPair(m_a, m_b);
        m_nThreads = ThreadCount();
    }
    // Every keystream thread has ended by the time its call returns or throws.
    void ExpectNoThreadLeft(const char* pszCase) { EXPECT_EQ(m_nThreads, ThreadCount()) << pszCase; }

    CSocketX m_a, m_b;
    int m_nThreads = 0;
};

TEST_F(SocketBufferLargeTest, WireBytesAndKeystreamOrderAsOneThreadGivesThem)
{
    // Just over one piece; more pieces than the ring holds, with a short last one.
    const size_t sizes[] = {MB + 1, 9 * MB + 12345};
    std::vector<BYTE> key = Key();
    for (size_t nSize : sizes)
    {
        std::vector<BYTE> data;
        Fill(data, nSize, BYTE(nSize));
        CGRand ref;
        ref.Seed(key.data(), 32);
        std::vector<BYTE> ks(nSize);
        ref.Generate(ks.data(), nSize);

        // Sending: the wire carries data XOR keystream, the data stays as it was.
        {
            CSocketBuffer out(&m_a), in(&m_b);
            SetKey(out);
            std::vector<BYTE> original = data, wire(nSize);
            std::thread t([&] { out.SendBytes(data.data(), DWORD(nSize)); });
            in.ReceiveBytes(DWORD(nSize), wire.data());
            t.join();
            size_t nWrong = 0;
            for (size_t i = 0; i < nSize; ++i)
                nWrong += wire[i] != BYTE(data[i] ^ ks[i]);
            EXPECT_EQ(0u, nWrong) << nSize << " bytes sent";
            EXPECT_TRUE(original == data) << nSize << " bytes sent";
            // Exactly nSize stream bytes were used, in order.
            CGRand next;
            next.Seed(key.data(), 32);
            std::vector<BYTE> skip(nSize);
            next.Generate(skip.data(), nSize);
            EXPECT_EQ(next.NextByte(), out.m_pKeystream->NextByte()) << nSize << " bytes sent";
            ExpectNoThreadLeft("send");
        }
        // Receiving, in uneven pieces with pauses: deciphered as one block.
        {
            CSocketBuffer out(&m_a), in(&m_b);
            SetKey(in);
            std::vector<BYTE> wire(nSize), got(nSize);
            for (size_t i = 0; i < nSize; ++i)
                wire[i] = BYTE(data[i] ^ ks[i]);
            std::thread t([&] {
                size_t cuts[] = {0, 1, 700000, MB + 5, nSize};
                for (int i = 0; i + 1 < 5; ++i)
                {
                    if (cuts[i + 1] > nSize)
                        cuts[i + 1] = nSize;
                    if (cuts[i + 1] <= cuts[i])
                        continue;
                    out.SendBytes(wire.data() + cuts[i], DWORD(cuts[i + 1] - cuts[i]));
                    ::Sleep(20);
                }
            });
            in.ReceiveBytes(DWORD(nSize), got.data());
            t.join();
            EXPECT_TRUE(got == data) << nSize << " bytes received";
            CGRand next;
            next.Seed(key.data(), 32);
            std::vector<BYTE> skip(nSize);
            next.Generate(skip.data(), nSize);
            EXPECT_EQ(next.NextByte(), in.m_pKeystream->NextByte()) << nSize << " bytes received";
            ExpectNoThreadLeft("receive");
        }
    }
}

TEST_F(SocketBufferLargeTest, FailuresCarryTheFailedCallsOwnCodeAndLeaveNoThread)
{
    // Windows Sockets keeps the error per thread: read anywhere but on the
    // thread of the failed call it would be another thread's, 0 as a rule.
    // A stop comes while the call waits in its socket call.
    enum
    {
        SHUT_DOWN,
        CLOSED,
        STOPPED
    };
    struct
    {
        const char* pszCase;
        int nHow;
        int bSend;
        int nError;
    } cases[] = {
        {"send after the sending side was shut down", SHUT_DOWN, 1, WSAESHUTDOWN},
        {"receive on a closed handle", CLOSED, 0, WSAENOTSOCK},
        {"send, the peer not reading, stopped", STOPPED, 1, WSAEINTR},
        {"receive, the peer silent, stopped", STOPPED, 0, WSAEINTR},
    };
    std::vector<BYTE> data(64 * MB, 0x5A);
    for (auto& c : cases)
    {
        CSocketX a, b;
        ConnectPair(a, b);
        int nThreads = ThreadCount();
        CSocketBuffer buf(&a);
        SetKey(buf);
        if (c.nHow == SHUT_DOWN)
            ::shutdown(a.m_socket.m_hSocket, SD_SEND);
        if (c.nHow == CLOSED)
            a.m_socket.Close();
        std::thread stopper([&] {
            if (c.nHow == STOPPED && WaitBlocking(a))
                a.Abort();
        });
        try
        {
            if (c.bSend)
                buf.SendBytes(data.data(), DWORD(data.size()));
            else
                buf.ReceiveBytes(DWORD(data.size()), data.data());
            ADD_FAILURE() << c.pszCase << ": no exception";
        }
        catch (CSocketBufferException& e)
        {
            EXPECT_EQ(c.nError, e.m_nError) << c.pszCase;
            EXPECT_EQ(c.bSend, e.m_bSend) << c.pszCase;
        }
        stopper.join();
        EXPECT_EQ(nThreads, ThreadCount()) << c.pszCase;
    }
}

TEST_F(SocketBufferLargeTest, ReceiveWithinGivesUpOnSilenceAndCompletesOtherwise)
{
    const DWORD nSize = 3 * MB;
    struct
    {
        const char* pszCase;
        DWORD nSent;
        BOOL bResult;
    } cases[] = {{"all of it", nSize, TRUE}, {"half, then silence", nSize / 2, FALSE}};
    for (auto& c : cases)
    {
        CSocketX a, b;
        ConnectPair(a, b);
        int nThreads = ThreadCount();
        CSocketBuffer out(&a), in(&b);
        SetKey(out);
        SetKey(in);
        std::vector<BYTE> data, got(nSize);
        Fill(data, nSize, 9);
        std::thread t([&] { out.SendBytes(data.data(), c.nSent); });
        EXPECT_EQ(c.bResult, in.ReceiveBytesWithin(nSize, got.data(), 300)) << c.pszCase;
        t.join();
        if (c.bResult)
        {
            EXPECT_TRUE(got == data) << c.pszCase;
        }
        EXPECT_EQ(nThreads, ThreadCount()) << c.pszCase;
    }
}

}  // namespace
