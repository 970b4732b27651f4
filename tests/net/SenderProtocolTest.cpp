// The sending side of "C3" against a fake receiver over loopback: every
// refusal, every reply code, the request loop and the log lines.
#include "FakePeer.h"
#include "net/CSenderThread.h"
#include "net/CSocketedThreadList.h"
#include "net/CDestinationDataArray.h"
#include "app/CBrinmoorApp.h"
#include "crypto/PasswordHash.h"
#include "crypto/RSACrypt.h"
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

using namespace nettest;

namespace {

const wchar_t* const PASSWORD = L"secret";

CBDF* Record(UINT nFormat, const wchar_t* pszName, const void* pData, DWORD nSize)
{
    CBDF* p = new CBDF();
    p->m_nFormat = nFormat;
    p->m_strName = pszName;
    if (nSize > 0)
    {
        p->m_pData = new BYTE[nSize];
        memcpy(p->m_pData, pData, nSize);
        p->m_nSize = nSize;
    }
    return p;
}

bool NoSenders() { return SenderThreadList.GetCountLocked() == 0; }

// One sender started at a fake receiver that the test plays step by step.
class FakeReceiver
{
public:
    explicit FakeReceiver(std::vector<CBDF*> records) : m_buffer(&m_peer)
    {
        m_pData = new CBDFArray();
        for (CBDF* p : records)
            m_pData->Add(p);
        m_pOld = theApp.m_pDestinations;
        theApp.m_pDestinations = new CDestinationDataArray();
        CDestinationData* d = new CDestinationData();
        d->m_strName = L"127.0.0.1";
        d->m_nPort = m_listener.m_nPort;
        theApp.m_pDestinations->m_arrDestinations.Add(d);
        m_strPrefix.Format(L"127.0.0.1 : %d ", m_listener.m_nPort);
    }
    ~FakeReceiver()
    {
        SenderThreadList.StopAll(TRUE);
        delete theApp.m_pDestinations;
        theApp.m_pDestinations = m_pOld;
    }
    void Start()
    {
        StartSenderThreads(m_pData);
        ASSERT_TRUE(m_listener.Accept(m_peer));
    }
    // Greeting with K1 installed afterwards (unless the greeting is broken).
    void Greeting(DWORD nModulus = 0, DWORD nTag = TAG_C3, DWORD nChallenge = 32, bool bKey = true)
    {
        CSendBuffer sb;
        sb.AppendUInt32(nTag);
        sb.AppendUInt32(nChallenge);
        m_nonce.SetSize(nChallenge <= MAX_CHALLENGE_LENGTH ? nChallenge : 0);
        for (INT_PTR i = 0; i < m_nonce.GetSize(); ++i)
            m_nonce[i] = BYTE(i * 3);
        sb.AppendBytes(m_nonce);
        sb.AppendUInt32(nModulus);
        m_buffer.Send(sb);
        if (bKey)
        {
            HashWithPassword(m_nonce, PASSWORD, m_k1);
            m_buffer.SetKey(nullptr, m_k1);
        }
    }
    // Modulus bytes and check words (flipped as the protocol wants unless told).
    void Check(const CByteArray& modulus, bool bGoodWords = true)
    {
        CSendBuffer sb;
        sb.AppendBytes(modulus);
        sb.AppendUInt32(0x1234);
        sb.AppendUInt32(bGoodWords ? 0x1235 : 0x1234);
        m_buffer.Send(sb);
    }
    // Takes "NR", decrypts the session key with the test key, re-keys.
    void SessionKey()
    {
        EXPECT_EQ(DWORD(TAG_NR), m_buffer.ReceiveUInt32());
        DWORD n = m_buffer.ReceiveUInt32();
        ASSERT_TRUE(n > 0 && n <= 160) << n;
        CByteArray encrypted, key;
        encrypted.SetSize(n);
        m_buffer.ReceiveBytes(n, encrypted.GetData());
        CBigNum d, mod;
        d.FromString(TestPrivateExponentHex());
        mod.FromString(TestModulusHex());
        ASSERT_TRUE(RSACryptBlock(key, encrypted, d, mod));
        ASSERT_EQ(160, key.GetSize());
        m_buffer.SetKey(&key, m_k1);
    }
    // Takes "HB" and the directory; returns the items' sizes and names.
    std::vector<ITEM> Directory()
    {
        std::vector<ITEM> items;
        EXPECT_EQ(DWORD(TAG_HB), m_buffer.ReceiveUInt32());
        BYTE hash[32];
        m_buffer.ReceiveBytes(32, hash);
        CByteArray expected;
        HashPassword(PASSWORD, expected);
        EXPECT_EQ(0, memcmp(hash, expected.GetData(), 32));
        DWORD nLength = m_buffer.ReceiveUInt32();
        std::vector<BYTE> dir(nLength);
        m_buffer.ReceiveBytes(nLength, dir.data());
        auto u32 = [&](size_t at) {
            return DWORD(dir[at]) | DWORD(dir[at + 1]) << 8 | DWORD(dir[at + 2]) << 16 | DWORD(dir[at + 3]) << 24;
        };
        size_t at = 4;
        for (DWORD i = 0, n = u32(0); i < n; ++i)
        {
            ITEM it;
            it.nSize = u32(at) | ULONGLONG(u32(at + 4)) << 32;
            it.nFormat = u32(at + 8);
            DWORD nName = u32(at + 12);
            at += 16;
            for (DWORD c = 0; c < nName / 2; ++c)
                it.strName += WCHAR(dir[at + 2 * c] | dir[at + 2 * c + 1] << 8);
            at += nName;
            items.push_back(it);
        }
        EXPECT_EQ(at, dir.size());
        return items;
    }
    std::vector<BYTE> DataBlock(DWORD nSize)
    {
        EXPECT_EQ(DWORD(TAG_DB), m_buffer.ReceiveUInt32());
        std::vector<BYTE> v(nSize);
        m_buffer.ReceiveBytes(nSize, v.data());
        return v;
    }
    void Request(DWORD nIndex)
    {
        CSendBuffer sb;
        sb.AppendString(L"SF");
        sb.AppendUInt32(nIndex);
        m_buffer.Send(sb);
    }
    // The connection's end as the sender leaves it; then its log lines.
    std::vector<std::wstring> End(bool bClose = true)
    {
        if (bClose)
            m_peer.Close();
        EXPECT_TRUE(WaitUntil(NoSenders));
        return TakeLog();
    }
    // Whether the sender closed the connection with nothing more sent.
    bool SenderClosed()
    {
        BYTE b;
        int n = m_peer.Receive(&b, 1);
        return n == 0 || n == SOCKET_ERROR;
    }

    Listener m_listener;
    CSocketX m_peer;
    CSocketBuffer m_buffer;
    CAdoPtr<CBDFArray> m_pData;
    CDestinationDataArray* m_pOld;
    CByteArray m_nonce, m_k1;
    CString m_strPrefix;  // "127.0.0.1 : <port> "
};

void TestModulus(CByteArray& bytes)
{
    CBigNum n;
    n.FromString(TestModulusHex());
    n.ToByteArray(bytes);
}

class SenderProtocolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxSocketInit();
        SetPassword(PASSWORD);
        TakeLog();
    }
};

const BYTE TEXT[] = {'h', 0, 'i', 0, 0, 0};

struct REFUSAL
{
    const char* pszName;
    std::function<void(FakeReceiver&)> script;
    std::wstring strTag;  // "【送信エラー】" or with "#"
    std::wstring strMessage;
};

TEST_F(SenderProtocolTest, EveryRefusalIsOneLine)
{
    const std::wstring PROTOCOL = L"応答を受信できません。";
    const std::wstring PLAIN = L"【送信エラー】", RSA = L"【送信エラー#】";
    REFUSAL cases[] = {
        {"greeting tag",
         [](FakeReceiver& r) {
             r.Greeting(0, 0x00340043, 32, false);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"challenge length 0",
         [](FakeReceiver& r) {
             r.Greeting(0, TAG_C3, 0, false);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"challenge length 65537",
         [](FakeReceiver& r) {
             r.Greeting(0, TAG_C3, 65537, false);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"modulus length 65537",
         [](FakeReceiver& r) {
             r.Greeting(65537);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"check words wrong",
         [](FakeReceiver& r) {
             CByteArray n;
             TestModulus(n);
             r.Greeting(160);
             r.Check(n, false);
             EXPECT_EQ(DWORD(REPLY_CHECK_FAILED), r.m_buffer.ReceiveUInt32());
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"zero modulus",
         [](FakeReceiver& r) {
             CByteArray n;
             n.SetSize(160);
             r.Greeting(160);
             r.Check(n);
             EXPECT_TRUE(r.SenderClosed());
         },
         RSA, PROTOCOL},
        {"modulus above 4096 bits",
         [](FakeReceiver& r) {
             CByteArray n;
             n.SetSize(1024);
             n[0] = 0x80;
             n[1023] = 1;
             r.Greeting(1024);
             r.Check(n);
             EXPECT_TRUE(r.SenderClosed());
         },
         RSA, PROTOCOL},
        {"session key reply",
         [](FakeReceiver& r) {
             CByteArray n;
             TestModulus(n);
             r.Greeting(160);
             r.Check(n);
             r.SessionKey();
             r.m_buffer.SendUInt32(1);
             EXPECT_TRUE(r.SenderClosed());
         },
         RSA, PROTOCOL},
        {"directory reply",
         [](FakeReceiver& r) {
             r.Greeting();
             r.Directory();
             r.m_buffer.SendUInt32(REPLY_CANNOT_HOLD);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"data reply",
         [](FakeReceiver& r) {
             r.Greeting();
             r.Directory();
             r.m_buffer.SendUInt32(REPLY_OK);
             r.DataBlock(6);
             r.m_buffer.SendUInt32(REPLY_NO_DATA);
             EXPECT_TRUE(r.SenderClosed());
         },
         PLAIN, PROTOCOL},
        {"receiver gone during the handshake", [](FakeReceiver& r) { r.m_peer.Close(); }, PLAIN,
         L"送信できませんでした(WinSockエラー "},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        FakeReceiver r({Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6)});
        r.Start();
        c.script(r);
        auto lines = r.End();
        ASSERT_EQ(1u, lines.size()) << Join(lines);
        EXPECT_EQ(0u, lines[0].find(c.strTag + r.m_strPrefix.GetString() + c.strMessage)) << Join(lines);
    }
}

TEST_F(SenderProtocolTest, LongestChallengeIsAccepted)
{
    FakeReceiver r({Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6)});
    r.Start();
    r.Greeting(0, TAG_C3, 65536);
    auto items = r.Directory();
    ASSERT_EQ(1u, items.size());
    r.m_buffer.SendUInt32(REPLY_OK);
    r.DataBlock(6);
    r.m_buffer.SendUInt32(REPLY_OK);
    auto lines = r.End();
    EXPECT_TRUE(HasLine(lines, {L"【正常送信】"})) << Join(lines);
}

TEST_F(SenderProtocolTest, DirectoryDataAndLinesWithRSA)
{
    std::vector<BYTE> big(1025, 7);
    FakeReceiver r({Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6), Record(CF_DIB, L"CF_DIB", nullptr, 0),
                    Record(0xC200, L"Rich Text Format", big.data(), 1025), Record(CF_WAVE, L"CF_WAVE", nullptr, 0)});
    r.Start();
    CByteArray n;
    TestModulus(n);
    r.Greeting(160);
    r.Check(n);
    r.SessionKey();
    r.m_buffer.SendUInt32(REPLY_OK);
    auto items = r.Directory();
    ASSERT_EQ(4u, items.size());
    ULONGLONG sizes[] = {6, 0, 1025, 0};
    UINT formats[] = {CF_UNICODETEXT, CF_DIB, 0xC200, CF_WAVE};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(sizes[i], items[i].nSize) << i;
        EXPECT_EQ(formats[i], items[i].nFormat) << i;
    }
    EXPECT_EQ(L"Rich Text Format", items[2].strName);
    r.m_buffer.SendUInt32(REPLY_OK);
    EXPECT_TRUE(r.DataBlock(6) == std::vector<BYTE>(TEXT, TEXT + 6));
    EXPECT_TRUE(r.DataBlock(1025) == big);
    r.m_buffer.SendUInt32(REPLY_OK);
    // The sender now waits for requests.
    EXPECT_TRUE(WaitUntil([] { return SenderThreadList.GetStatus() == 1; }));
    auto lines = r.End();
    std::wstring prefix = r.m_strPrefix.GetString();
    ASSERT_EQ(2u, lines.size()) << Join(lines);
    EXPECT_EQ(L"【正常送信#】" + prefix + L" (2 KB) フォーマット: CF_UNICODETEXT,  Rich Text Format", lines[0]);
    EXPECT_EQ(L"【送信可能#】" + prefix + L"フォーマット: CF_DIB, CF_WAVE", lines[1]);
}

TEST_F(SenderProtocolTest, RequestsAndEveryReplyCode)
{
    UINT nFormat = ::RegisterClipboardFormatW(L"VarnelLoadedFormat");
    // What the sender will find on its own clipboard for the placeholder.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, 5);
    memcpy(::GlobalLock(h), "load", 5);
    ::GlobalUnlock(h);
    ::SetClipboardData(nFormat, h);
    ::CloseClipboard();

    FakeReceiver r({Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6),
                    Record(nFormat, L"VarnelLoadedFormat", nullptr, 0), Record(CF_RIFF, L"CF_RIFF", nullptr, 0)});
    r.Start();
    r.Greeting();
    r.Directory();
    r.m_buffer.SendUInt32(REPLY_OK);
    r.DataBlock(6);
    r.m_buffer.SendUInt32(REPLY_OK);
    std::wstring prefix = r.m_strPrefix.GetString();

    // Keep-alive: no answer.
    r.m_buffer.SendUInt32(TAG_AL);
    // Index out of range: REPLY_NO_DATA, line without a format.
    r.Request(3);
    EXPECT_EQ(DWORD(REPLY_NO_DATA), r.m_buffer.ReceiveUInt32());
    // A format this computer's clipboard doesn't have: REPLY_NO_DATA with its name.
    r.Request(2);
    EXPECT_EQ(DWORD(REPLY_NO_DATA), r.m_buffer.ReceiveUInt32());
    // The loaded placeholder: DL and its size; REPLY_CANNOT_HOLD, then again with OK.
    for (DWORD nReply : {DWORD(REPLY_CANNOT_HOLD), DWORD(REPLY_OK)})
    {
        r.Request(1);
        EXPECT_EQ(DWORD(TAG_DL), r.m_buffer.ReceiveUInt32());
        ULONGLONG nSize = r.m_buffer.ReceiveUInt64();
        EXPECT_GE(nSize, 5u);
        r.m_buffer.SendUInt32(nReply);
        if (nReply == REPLY_OK)
        {
            auto data = r.DataBlock(DWORD(nSize));
            EXPECT_EQ(0, memcmp(data.data(), "load", 5));
            r.m_buffer.SendUInt32(REPLY_OK);
        }
    }
    // The record sent at once is served from memory.
    r.Request(0);
    EXPECT_EQ(DWORD(TAG_DL), r.m_buffer.ReceiveUInt32());
    EXPECT_EQ(6u, r.m_buffer.ReceiveUInt64());
    r.m_buffer.SendUInt32(77);  // not a reply code
    EXPECT_TRUE(r.SenderClosed());
    auto lines = r.End(false);

    std::vector<std::wstring> expected = {
        L"【正常送信】" + prefix + L" (1 KB) フォーマット: CF_UNICODETEXT",
        L"【送信可能】" + prefix + L"フォーマット: VarnelLoadedFormat, CF_RIFF",
        L"【送信エラー】" + prefix + L"クリップボードからデータを取得できませんでした。",
        L"【送信エラー】" + prefix + L"クリップボードからデータを取得できませんでした。フォーマット: CF_RIFF",
        L"【正常送信】" + prefix + L" (1 KB) フォーマット: VarnelLoadedFormat",
        L"【送信エラー】" + prefix + L"応答を受信できません。",
    };
    ASSERT_EQ(expected.size(), lines.size()) << Join(lines);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i], lines[i]) << i;
}

// A program that holds this computer's clipboard for a moment when a
// placeholder is requested: the sender waits for it and the paste gets the data.
TEST_F(SenderProtocolTest, RequestWaitsForABusyClipboard)
{
    UINT nFormat = ::RegisterClipboardFormatW(L"VarnelBusyFormat");
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, 5);
    memcpy(::GlobalLock(h), "busy", 5);
    ::GlobalUnlock(h);
    ::SetClipboardData(nFormat, h);
    ::CloseClipboard();

    FakeReceiver r({Record(nFormat, L"VarnelBusyFormat", nullptr, 0)});
    r.Start();
    r.Greeting();
    r.Directory();
    r.m_buffer.SendUInt32(REPLY_OK);

    // The other program's thread has the clipboard open before the request
    // goes out, and lets it go 300 ms later.
    HANDLE hHeld = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // A window of its own: an open without one doesn't keep out the sender's.
    std::atomic<bool> bOpened(false);
    std::thread holder([hHeld, &bOpened] {
        HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        bOpened = hWnd != nullptr && ::OpenClipboard(hWnd);
        ::SetEvent(hHeld);
        ::Sleep(300);
        if (bOpened)
            ::CloseClipboard();
        if (hWnd != nullptr)
            ::DestroyWindow(hWnd);
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hHeld, 10000));
    ::CloseHandle(hHeld);
    EXPECT_TRUE(bOpened) << "the clipboard could not be held";
    r.Request(0);
    DWORD nAnswer = r.m_buffer.ReceiveUInt32();
    holder.join();
    ASSERT_EQ(DWORD(TAG_DL), nAnswer) << "the request got no data";
    ULONGLONG nSize = r.m_buffer.ReceiveUInt64();
    r.m_buffer.SendUInt32(REPLY_OK);
    auto data = r.DataBlock(DWORD(nSize));
    EXPECT_EQ(0, memcmp(data.data(), "busy", 5));
    r.m_buffer.SendUInt32(REPLY_OK);
    auto lines = r.End();
    EXPECT_TRUE(HasLine(lines, {L"【正常送信】", L"VarnelBusyFormat"})) << Join(lines);
}

TEST_F(SenderProtocolTest, WaitingSenderEnds)
{
    struct
    {
        const char* pszName;
        int nHow;
        std::wstring strLast;
    } cases[] = {
        {"receiver goes", 0, L""},
        {"stopped by a new copy", 1, L""},
        {"unknown tag", 2, L"応答を受信できません。"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        FakeReceiver r({Record(CF_DIB, L"CF_DIB", nullptr, 0)});
        r.Start();
        r.Greeting();
        r.Directory();
        r.m_buffer.SendUInt32(REPLY_OK);
        if (c.nHow == 0)
            r.m_peer.Close();
        else if (c.nHow == 1)
        {
            EXPECT_TRUE(WaitUntil([] { return SenderThreadList.GetStatus() == 1; }));
            SenderThreadList.StopAll(TRUE);
        }
        else
            r.m_buffer.SendUInt32(0x00580058);
        auto lines = r.End(false);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(0u, lines[0].find(L"【送信可能】")) << Join(lines);
        if (c.strLast.empty())
        {
            EXPECT_EQ(1u, lines.size()) << Join(lines);
        }
        else
        {
            EXPECT_TRUE(lines.size() == 2 && lines[1].find(c.strLast) != std::wstring::npos) << Join(lines);
        }
    }
}

TEST_F(SenderProtocolTest, DestinationsDecideTheSenders)
{
    CAdoPtr<CBDFArray> pData(new CBDFArray());
    pData->Add(Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6));
    CDestinationDataArray* pOld = theApp.m_pDestinations;
    Listener listener;
    int nClosed = FreePort();
    struct
    {
        const char* pszText;
        int nConnections;
        std::wstring strLine;
    } cases[] = {
        {"", 0, L"【送信なし】送信先が設定されていません。"},
        {"0,\"127.0.0.1\",%d,0", 0, L"【送信なし】送信先が設定されていません。"},
        {"1,\"127.0.0.1\",%d,0;0,\"127.0.0.1\",%d,0;1,\"127.0.0.1\",%d,0", 2, L""},
        {"1,\"127.0.0.1\",%c,0", 0, L"接続できません(WinSockエラー 10061)。"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszText);
        std::string text = c.pszText;
        std::wstring w;
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '%' && (text[i + 1] == 'd' || text[i + 1] == 'c'))
            {
                w += std::to_wstring(text[i + 1] == 'd' ? listener.m_nPort : nClosed);
                ++i;
            }
            else
                w += WCHAR(text[i]);
        }
        theApp.m_pDestinations = CDestinationDataArray::FromString(w.c_str());
        StartSenderThreads(pData);
        std::vector<CSocketX*> peers;
        for (int i = 0; i < c.nConnections; ++i)
        {
            peers.push_back(new CSocketX());
            EXPECT_TRUE(listener.Accept(*peers.back()));
        }
        for (CSocketX* p : peers)
            delete p;
        EXPECT_TRUE(WaitUntil(NoSenders));
        auto lines = TakeLog();
        if (!c.strLine.empty())
        {
            EXPECT_TRUE(lines.size() == 1 && lines[0].find(c.strLine) != std::wstring::npos) << Join(lines);
        }
        delete theApp.m_pDestinations;
    }
    theApp.m_pDestinations = pOld;
}

// A destination that is this computer's own receiver (by loopback, by
// another loopback address, by name, by its own address) gets no copy: one
// line each, and it stays in the list; the others are sent to.
TEST_F(SenderProtocolTest, OwnReceiverIsSkippedAndKept)
{
    std::vector<std::wstring> status;
    ASSERT_TRUE(StartListenerOnFreePort(status)) << Join(status);
    PutSentinelOnClipboard();

    std::vector<std::wstring> selves = {L"127.0.0.1", L"127.0.0.2", L"localhost"};
    char szHost[256] = "";
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* pResult = nullptr;
    if (::gethostname(szHost, sizeof(szHost)) == 0 && ::getaddrinfo(szHost, nullptr, &hints, &pResult) == 0)
    {
        selves.push_back(std::wstring(CString(szHost).GetString()));
        for (addrinfo* p = pResult; p != nullptr; p = p->ai_next)
        {
            wchar_t szAddress[32];
            ::InetNtopW(AF_INET, &reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr, szAddress, 32);
            if (std::find(selves.begin(), selves.end(), szAddress) == selves.end())
                selves.push_back(szAddress);
        }
        ::freeaddrinfo(pResult);
    }
    Listener other;  // another computer's receiver
    const std::wstring strOwnPort = std::to_wstring(theApp.m_nPort);
    std::wstring text;
    for (auto& h : selves)
        text += L"1,\"" + h + L"\"," + strOwnPort + L",0;";
    text += L"1,\"127.0.0.1\"," + std::to_wstring(other.m_nPort) + L",0";
    CDestinationDataArray* pOld = theApp.m_pDestinations;
    theApp.m_pDestinations = CDestinationDataArray::FromString(text.c_str());

    CAdoPtr<CBDFArray> pData(new CBDFArray());
    pData->Add(Record(CF_UNICODETEXT, L"CF_UNICODETEXT", TEXT, 6));
    StartSenderThreads(pData);
    {
        CSocketX peer;
        EXPECT_TRUE(other.Accept(peer)) << "the other destination is sent to";
    }
    EXPECT_TRUE(WaitUntil(NoSenders));
    ::Sleep(200);
    auto lines = TakeLog();
    for (auto& h : selves)
    {
        std::wstring strLine = L"【送信なし】" + h + L" : " + strOwnPort +
                               L" 送信先はこのコンピュータ自身の受信ポートのため送信しません。";
        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), strLine)) << Narrow(h) << "\n" << Join(lines);
    }
    EXPECT_FALSE(HasLine(lines, {L"【受信"})) << Join(lines);
    EXPECT_FALSE(HasLine(lines, {L"【正常送信"})) << Join(lines);
    EXPECT_TRUE(NoReceivers());
    EXPECT_EQ(INT_PTR(selves.size() + 1), theApp.m_pDestinations->m_arrDestinations.GetSize());
    std::vector<BYTE> got;
    EXPECT_TRUE(ReadClipboard(CF_UNICODETEXT, got) && got.size() >= 2 && got[0] == 's') << "the clipboard is as it was";

    delete theApp.m_pDestinations;
    theApp.m_pDestinations = pOld;
    ListenerThreadList.StopAll(TRUE);
    TakeStatus();
}

}  // namespace
