// The enciphered exact-length stream over a loopback pair.
#include "NetTestUtil.h"
#include "crypto/CGRand.h"
#include <thread>

using namespace nettest;

namespace {

void Fill(CByteArray& a, size_t n, BYTE nSeed)
{
    a.SetSize(n);
    for (size_t i = 0; i < n; ++i)
        a[i] = static_cast<BYTE>(nSeed + i * 31 + (i >> 8));
}

// What a generator seeded with material gives next, n bytes.
std::vector<BYTE> Stream(CGRand& g, size_t n)
{
    std::vector<BYTE> v(n);
    for (auto& b : v)
        b = g.NextByte();
    return v;
}

class SocketBufferTest : public ::testing::Test
{
protected:
    void SetUp() override { ConnectPair(m_a, m_b); }
    CSocketX m_a, m_b;
    CSocketBuffer m_bufA{&m_a}, m_bufB{&m_b};
};

TEST_F(SocketBufferTest, KeyedBytesOnTheWireAreDataXorKeystream)
{
    CByteArray key;
    Fill(key, 32, 5);
    m_bufA.SetKey(nullptr, key);  // B stays in clear to see the wire
    CByteArray data;
    Fill(data, 65537, 9);
    std::thread t([&] { m_bufA.SendBytes(data.GetData(), DWORD(data.GetSize())); });
    std::vector<BYTE> wire(65537);
    m_bufB.ReceiveBytes(DWORD(wire.size()), wire.data());
    t.join();

    CGRand ref;
    ref.Seed(key.GetData(), 32);
    std::vector<BYTE> ks = Stream(ref, 65537);
    size_t nWrong = 0;
    for (size_t i = 0; i < wire.size(); ++i)
        nWrong += wire[i] != BYTE(data[i] ^ ks[i]);
    EXPECT_EQ(0u, nWrong);
    // The caller's data is left as it was.
    CByteArray original;
    Fill(original, 65537, 9);
    EXPECT_EQ(0, memcmp(original.GetData(), data.GetData(), 65537));
    // Exactly 65537 stream bytes were used: the sender's next byte follows on.
    EXPECT_EQ(ref.NextByte(), m_bufA.m_pKeystream->NextByte());
}

TEST_F(SocketBufferTest, BothEndsKeyedRoundTripLargeAndZeroLength)
{
    CByteArray key;
    Fill(key, 32, 1);
    m_bufA.SetKey(nullptr, key);
    m_bufB.SetKey(nullptr, key);
    CByteArray data;
    Fill(data, 3 * 1024 * 1024 + 17, 3);
    std::thread t([&] {
        m_bufA.SendBytes(nullptr, 0);  // nothing sent, nothing consumed
        m_bufA.SendBytes(data.GetData(), DWORD(data.GetSize()));
        m_bufA.SendUInt32(0x12345678);
    });
    CByteArray got;
    got.SetSize(data.GetSize());
    m_bufB.ReceiveBytes(0, nullptr);
    m_bufB.ReceiveBytes(DWORD(got.GetSize()), got.GetData());
    EXPECT_EQ(0x12345678u, m_bufB.ReceiveUInt32());
    t.join();
    EXPECT_EQ(0, memcmp(data.GetData(), got.GetData(), data.GetSize()));
}

TEST_F(SocketBufferTest, PiecesAreDecipheredAsTheyArrive)
{
    CByteArray key;
    Fill(key, 32, 2);
    m_bufB.SetKey(nullptr, key);
    CGRand ref;
    ref.Seed(key.GetData(), 32);
    CByteArray data;
    Fill(data, 1000, 4);
    std::vector<BYTE> ks = Stream(ref, 1000);
    std::vector<BYTE> wire(1000);
    for (size_t i = 0; i < 1000; ++i)
        wire[i] = data[i] ^ ks[i];
    std::thread t([&] {
        // Three pieces with pauses, so the receive returns short counts.
        size_t cuts[] = {0, 1, 333, 1000};
        for (int i = 0; i < 3; ++i)
        {
            m_a.Send(wire.data() + cuts[i], int(cuts[i + 1] - cuts[i]));
            ::Sleep(50);
        }
    });
    std::vector<BYTE> got(1000);
    m_bufB.ReceiveBytes(1000, got.data());
    t.join();
    EXPECT_EQ(0, memcmp(data.GetData(), got.data(), 1000));
}

TEST_F(SocketBufferTest, PeerClosingMidReceiveThrowsReceiving)
{
    m_a.Send("abc", 3);
    m_a.Close();
    BYTE buf[10];
    try
    {
        m_bufB.ReceiveBytes(10, buf);
        FAIL() << "no exception";
    }
    catch (CSocketBufferException& e)
    {
        EXPECT_EQ(0, e.m_bSend);
    }
}

TEST_F(SocketBufferTest, AbortedSocketFailsWith10004)
{
    CByteArray key;
    Fill(key, 32, 7);
    m_bufA.SetKey(nullptr, key);
    CGRand ref;
    ref.Seed(key.GetData(), 32);
    m_a.Abort();
    CByteArray data;
    Fill(data, 100, 1);
    struct
    {
        const char* pszCase;
        std::function<void()> call;
        int bSend;
    } cases[] = {
        {"send", [&] { m_bufA.SendBytes(data.GetData(), 100); }, 1},
        {"receive",
         [&] {
             BYTE b[4];
             m_bufA.ReceiveBytes(4, b);
         },
         0},
        {"send buffer",
         [&] {
             CSendBuffer sb;
             sb.AppendUInt32(1);
             m_bufA.Send(sb);
         },
         1},
    };
    for (auto& c : cases)
    {
        try
        {
            c.call();
            ADD_FAILURE() << c.pszCase << ": no exception";
        }
        catch (CSocketBufferException& e)
        {
            EXPECT_EQ(WSAEINTR, e.m_nError) << c.pszCase;
            EXPECT_EQ(c.bSend, e.m_bSend) << c.pszCase;
        }
    }
    // The failed sends still used their keystream (100 bytes, then 4);
    // the failed receive used none.
    Stream(ref, 104);
    EXPECT_EQ(ref.NextByte(), m_bufA.m_pKeystream->NextByte());
    // Close clears the mark.
    m_a.Close();
    EXPECT_FALSE(m_a.IsAborted());
}

TEST_F(SocketBufferTest, AbortFromAnotherThreadInterruptsReceive)
{
    std::thread t([&] {
        ::Sleep(100);
        m_b.Abort();
    });
    BYTE buf[4];
    try
    {
        m_bufB.ReceiveBytes(4, buf);
        ADD_FAILURE() << "no exception";
    }
    catch (CSocketBufferException& e)
    {
        EXPECT_EQ(WSAEINTR, e.m_nError);
        EXPECT_EQ(0, e.m_bSend);
    }
    t.join();
}

TEST_F(SocketBufferTest, SetKeySeedsFromKeyOrFromPrefixAndKey)
{
    CByteArray key;
    Fill(key, 40, 11);  // only its first 32 bytes seed without prefix
    CByteArray prefix;
    Fill(prefix, 160, 13);
    CByteArray empty;
    std::vector<BYTE> material32(key.GetData(), key.GetData() + 32);
    std::vector<BYTE> material188(156 + key.GetSize());
    for (size_t i = 0; i < material188.size(); ++i)
        material188[i] = i < 156 ? prefix[4 + i] : key[i - 156];
    struct
    {
        const char* pszCase;
        const CByteArray* pPrefix;
        const std::vector<BYTE>* pMaterial;
    } cases[] = {
        {"no prefix", nullptr, &material32},
        {"empty prefix", &empty, &material32},
        {"160-byte prefix", &prefix, &material188},
    };
    for (auto& c : cases)
    {
        CSocketBuffer buf(&m_a);
        buf.SetKey(c.pPrefix, key);
        CGRand ref;
        ref.Seed(c.pMaterial->data(), int(c.pMaterial->size()));
        EXPECT_EQ(ref.GetCount(), buf.m_pKeystream->GetCount()) << c.pszCase;
        EXPECT_TRUE(Stream(ref, 64) == Stream(*buf.m_pKeystream, 64)) << c.pszCase;
        // A second key restarts from its own seed.
        buf.SetKey(c.pPrefix, key);
        CGRand ref2;
        ref2.Seed(c.pMaterial->data(), int(c.pMaterial->size()));
        EXPECT_TRUE(Stream(ref2, 16) == Stream(*buf.m_pKeystream, 16)) << c.pszCase;
    }
}

TEST_F(SocketBufferTest, SendBufferLayoutAndEmptiedAfterFailure)
{
    CSendBuffer sb;
    sb.AppendString(L"C3");
    sb.AppendUInt32(0x01020304);
    sb.AppendUInt64(0x0A0B0C0D01020304ull);
    CByteArray tail;
    Fill(tail, 3, 0xF0);
    sb.AppendBytes(tail);
    const BYTE expected[] = {0x43, 0, 0x33, 0,    4,    3,    2,       1,       4,      3,
                             2,    1, 0x0D, 0x0C, 0x0B, 0x0A, tail[0], tail[1], tail[2]};
    ASSERT_EQ(sizeof(expected), size_t(sb.m_data.GetSize()));
    EXPECT_EQ(0, memcmp(expected, sb.m_data.GetData(), sizeof(expected)));

    m_a.Abort();
    EXPECT_THROW(m_bufA.Send(sb), CSocketBufferException);
    EXPECT_EQ(0, sb.m_data.GetSize());
}

}  // namespace
