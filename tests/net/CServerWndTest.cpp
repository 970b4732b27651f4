// A receiver holding placeholders, as a whole: its hidden clipboard owner,
// the keep-alives, a paste served over the connection from a fake sender, the
// retry on a busy clipboard, and every way the window goes. The test thread
// plays the pasting program.
#include "FakePeer.h"
#include "CRequestPeer.h"
#include "net/CListenerThread.h"
#include "net/CReceiverThread.h"
#include "net/CSocketedThreadList.h"
#include "app/CBrinmoorApp.h"
#include <atomic>
#include <mutex>
#include <memory>
#include <thread>

using namespace nettest;

namespace {

const wchar_t* const PASSWORD = L"window";
const wchar_t* const BIG_NAME = L"Varnel Test Delayed Block";

std::vector<BYTE> Pattern(size_t n, BYTE seed)
{
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = BYTE((i * 131 + seed) ^ (i >> 9));
    return v;
}

HANDLE WINAPI RefuseHandOver(UINT, HANDLE) { return nullptr; }

class ServerWndTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        AfxSocketInit();
        InternalFormat();
        SetPassword(PASSWORD);
        SetRSA(false);
        m_nBigFormat = ::RegisterClipboardFormatW(BIG_NAME);
        PutSentinelOnClipboard();
        TakeLog();
    }
    void TearDown() override
    {
        ReceiverThreadList.StopAll(TRUE);
        m_pReceiver.Reset();
        ::CloseClipboard();
    }

    // A receiver on its own thread, as the listener starts it, connected to
    // Fs(), through the greeting and the directory: text "x" with its data,
    // then CF_DIB and the registered format as placeholders.
    void Open()
    {
        // A new sender each time: a used one still holds its keystream.
        m_pfs.reset(new FakeSender());
        Listener listener;
        ASSERT_TRUE(Fs().Connect(listener.m_nPort));
        SOCKET hSocket = listener.AcceptHandle();
        ASSERT_NE(INVALID_SOCKET, hSocket);
        CReceiverThread* p = new CReceiverThread(0);
        p->m_hSocket = hSocket;
        m_pReceiver = p;
        ASSERT_TRUE(StartWorkerThread(&ReceiverThreadList, p, ReceiverThreadProc));
        Fs().ReadGreeting(PASSWORD);
        // The sender's own id for the registered format is some other number.
        Fs().SendHB(PASSWORD,
                    Directory({{4, CF_UNICODETEXT, L"CF_UNICODETEXT"}, {0, CF_DIB, L"CF_DIB"}, {0, 0xC123, BIG_NAME}}));
        ASSERT_EQ(DWORD(REPLY_OK), Fs().Reply());
        Fs().m_buffer.SendUInt32(TAG_DB);
        Fs().m_buffer.SendBytes(reinterpret_cast<const BYTE*>(L"x"), 4);
        ASSERT_EQ(DWORD(REPLY_OK), Fs().Reply());
    }
    // Until the placeholders are offered: the line, and the window as owner.
    // bReception: the text's reception line comes first.
    void WaitOffered(bool bReception = true)
    {
        std::vector<std::wstring> lines;
        ASSERT_TRUE(Gather(TakeLog, lines, L"【受信可能】")) << Join(lines);
        ASSERT_EQ(bReception ? 2u : 1u, lines.size()) << Join(lines);
        if (bReception)
        {
            EXPECT_NE(std::wstring::npos, lines[0].find(L"  (1 KB) フォーマット: CF_UNICODETEXT")) << Join(lines);
        }
        EXPECT_NE(std::wstring::npos, lines.back().find(std::wstring(L" フォーマット: CF_DIB,  ") + BIG_NAME))
            << Join(lines);
        m_hWnd = Receiver()->m_hServerWnd;
        ASSERT_TRUE(m_hWnd != nullptr);
        EXPECT_EQ(m_hWnd, ::GetClipboardOwner());
        // The state follows the line.
        EXPECT_TRUE(WaitUntil([] { return ReceiverThreadList.GetStatus() == 1; }, 15000));
    }
    FakeSender& Fs() { return *m_pfs; }
    CReceiverThread* Receiver() { return static_cast<CReceiverThread*>(m_pReceiver.Get()); }

    std::unique_ptr<FakeSender> m_pfs;
    CSocketedThreadPtr m_pReceiver;
    HWND m_hWnd = nullptr;
    UINT m_nBigFormat = 0;
};

TEST_F(ServerWndTest, PasteFetchesTheOneFormatOnceAndLaterPastesCostNothing)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitOffered());
    // Offered, not fetched: the directory's formats and the marker, and the
    // text that came with the copy, are there without a request.
    for (UINT f : {UINT(CF_DIB), m_nBigFormat, InternalFormat()})
        EXPECT_TRUE(::IsClipboardFormatAvailable(f)) << f;
    std::vector<BYTE> got;
    ASSERT_TRUE(ReadClipboard(CF_UNICODETEXT, got));
    EXPECT_EQ(L'x', got.size() >= 2 ? got[0] : 0);

    const std::vector<BYTE> data = Pattern(3 * 1024 * 1024 + 5, 7);
    std::atomic<int> nStateWhileServing(-1);
    CRequestPeer peer(Fs());
    peer.Start([&](CRequestPeer& p, DWORD nIndex) {
        EXPECT_EQ(2u, nIndex) << "the record's place in the directory";
        nStateWhileServing = Receiver()->m_nState.load();
        p.Serve(data);
    });
    ASSERT_TRUE(ReadClipboard(m_nBigFormat, got));
    EXPECT_TRUE(got == data) << "got " << got.size() << " bytes";
    EXPECT_EQ(2, nStateWhileServing.load());
    EXPECT_EQ(1, Receiver()->m_nState.load());
    auto lines = TakeLog();
    ASSERT_EQ(1u, lines.size()) << Join(lines);
    EXPECT_NE(std::wstring::npos, lines[0].find(std::wstring(L"】") + Receiver()->m_strPeerName.GetString() +
                                                L"  (3073 KB) フォーマット: " + BIG_NAME))
        << Join(lines);
    EXPECT_EQ(0u, lines[0].find(L"【正常受信】")) << Join(lines);

    // Again: the clipboard holds the data now, the receiver isn't asked.
    ASSERT_TRUE(ReadClipboard(m_nBigFormat, got));
    EXPECT_TRUE(got == data);
    size_t nTags = peer.Tags().size();
    ASSERT_TRUE(WaitUntil([&] { return peer.Tags().size() >= nTags + 1; }, 15000)) << "keep-alives go on";
    EXPECT_EQ(1, peer.Count(TAG_SF));
    EXPECT_TRUE(TakeLog().empty());

    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

// A sender that announces an empty block for a placeholder has nothing to
// give: the paste gets nothing, one line, and a later paste asks again.
TEST_F(ServerWndTest, EmptyAnswerPastesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitOffered());
    CRequestPeer peer(Fs());
    peer.Start([&](CRequestPeer& p, DWORD nIndex) {
        EXPECT_EQ(1u, nIndex);
        p.Serve({});
    });
    for (int nPaste = 1; nPaste <= 2; ++nPaste)
    {
        SCOPED_TRACE(nPaste);
        std::vector<BYTE> got;
        EXPECT_FALSE(ReadClipboard(CF_DIB, got) && !got.empty()) << "got " << got.size() << " bytes";
        EXPECT_EQ(nPaste, peer.Count(TAG_SF));
        // The render ran while the paste waited: its lines are all queued.
        auto lines = TakeLog();
        ASSERT_EQ(1u, lines.size()) << Join(lines);
        EXPECT_EQ(L"【受信エラー】" + std::wstring(Receiver()->m_strPeerName.GetString()) +
                      L" 受信できません。フォーマット: CF_DIB",
                  lines[0]);
    }
    EXPECT_EQ(1, Receiver()->m_nState.load());
    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

TEST_F(ServerWndTest, KeepAliveAboutEverySecond)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    CRequestPeer peer(Fs());
    peer.Start([](CRequestPeer&, DWORD) { ADD_FAILURE() << "no request was made"; });
    ASSERT_TRUE(WaitUntil([&] { return peer.Count(TAG_AL) >= 4; }, 20000));
    auto tags = peer.Tags();
    for (size_t i = 1; i < tags.size(); ++i)
    {
        DWORD nGap = tags[i].second - tags[i - 1].second;
        // Seen from the peer: one late arrival shortens the next gap, so the
        // bounds only tell a second apart from a busy loop or a stalled timer.
        EXPECT_TRUE(nGap >= 500 && nGap <= 5000) << "gap " << i << ": " << nGap << " ms";
    }
    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

TEST_F(ServerWndTest, BusyClipboardIsRetriedUntilReleased)
{
    // Held by a window of this thread, as another program would.
    HWND hHolder = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(::OpenClipboard(hHolder));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(WaitUntil([&] { return Receiver()->m_hServerWnd.load() != nullptr; }));
    ::Sleep(300);
    auto lines = TakeLog();
    EXPECT_TRUE(lines.size() == 1 && lines[0].find(L"【正常受信】") == 0) << "retries are silent:" << Join(lines);
    EXPECT_EQ(2, ReceiverThreadList.GetStatus());
    ::CloseClipboard();
    ::DestroyWindow(hHolder);
    // Nothing else asks the receiver again: only its own retries get there.
    ASSERT_TRUE(WaitUntil([&] { return ::GetClipboardOwner() == Receiver()->m_hServerWnd.load(); }, 10000))
        << "retried, not left for good";
    ASSERT_NO_FATAL_FAILURE(WaitOffered(false));
    ::Sleep(100);
    EXPECT_TRUE(TakeLog().empty()) << "one offer line only";
}

// The ways a holding receiver ends: its window goes with it, without a line;
// what came with the copy stays on the clipboard, the placeholders that were
// never fetched give nothing.
TEST_F(ServerWndTest, EndingTakesTheWindowAndLeavesTheDataThatCame)
{
    struct
    {
        const char* pszName;
        std::function<void(ServerWndTest&)> end;
    } cases[] = {
        {"stopped (a new copy, a new connection, the program's end)",
         [](ServerWndTest&) { ReceiverThreadList.StopAll(TRUE); }},
        {"the sender has gone", [](ServerWndTest& t) { t.Fs().m_socket.Close(); }},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        PutSentinelOnClipboard();
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(WaitOffered());
        c.end(*this);
        ASSERT_TRUE(WaitUntil(NoReceivers, 15000));
        EXPECT_FALSE(::IsWindow(m_hWnd));
        EXPECT_TRUE(Receiver()->m_hServerWnd.load() == nullptr);
        EXPECT_TRUE(TakeLog().empty());
        std::vector<BYTE> got;
        DWORD nMs = 0;
        EXPECT_FALSE(ReadClipboard(m_nBigFormat, got, &nMs));
        EXPECT_LT(nMs, 1000u);
        EXPECT_FALSE(ReadClipboard(CF_DIB, got));
        ASSERT_TRUE(ReadClipboard(CF_UNICODETEXT, got));
        EXPECT_EQ(L'x', got.size() >= 2 ? got[0] : 0);
        EXPECT_TRUE(::IsClipboardFormatAvailable(InternalFormat()));
        m_pReceiver.Reset();
    }
}

// A sender that falls silent in the middle of a request: the paste gives up
// after the limit with a line, and the connection ends. A stop meanwhile ends
// it at once, without a line.
TEST_F(ServerWndTest, SilentSenderMidRequestEndsThePaste)
{
    struct
    {
        const char* pszName;
        bool bStop;
        DWORD nMinMs, nMaxMs;
    } cases[] = {
        // Not before the limit, and well before the 30 s after which Windows
        // gives up on its own.
        {"silent after part of the data", false, 19500, 28000},
        {"stopped while waiting", true, 0, 3000},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        PutSentinelOnClipboard();
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(WaitOffered());
        CRequestPeer peer(Fs());
        peer.Start([](CRequestPeer& p, DWORD) {
            p.SendDL(100000);
            EXPECT_EQ(DWORD(REPLY_OK), p.m_fs.m_buffer.ReceiveUInt32());
            p.m_fs.m_buffer.SendUInt32(TAG_DB);
            std::vector<BYTE> part = Pattern(1000, 1);
            p.m_fs.m_buffer.SendBytes(part.data(), DWORD(part.size()));
        });
        std::thread stopper;
        if (c.bStop)
            stopper = std::thread([] {
                ::Sleep(500);
                ReceiverThreadList.StopAll(TRUE);
            });
        std::vector<BYTE> got;
        DWORD nMs = 0;
        EXPECT_FALSE(ReadClipboard(CF_DIB, got, &nMs));
        EXPECT_TRUE(nMs >= c.nMinMs && nMs <= c.nMaxMs) << nMs << " ms";
        if (stopper.joinable())
            stopper.join();
        ASSERT_TRUE(WaitUntil(NoReceivers, 15000));
        auto lines = TakeLog();
        if (c.bStop)
        {
            EXPECT_TRUE(lines.empty()) << Join(lines);
        }
        else
        {
            ASSERT_EQ(1u, lines.size()) << Join(lines);
            EXPECT_EQ(0u, lines[0].find(L"【受信エラー】")) << Join(lines);
            EXPECT_NE(std::wstring::npos, lines[0].find(L"応答がないため受信を中止しました。フォーマット: CF_DIB"))
                << Join(lines);
        }
        peer.Join();
        m_pReceiver.Reset();
    }
}

// The same on the delayed path: a paste answered with a 1.5 GB announcement
// and a little data makes a bounded stretch resident, not the block.
TEST_F(ServerWndTest, AnnouncedBlockIsTouchedOnlyAheadOfItsData)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitOffered());
    SIZE_T nBefore = WorkingSet();
    CRequestPeer peer(Fs());
    peer.Start([](CRequestPeer& p, DWORD) {
        p.SendDL(1536ull * 1048576);
        EXPECT_EQ(DWORD(REPLY_OK), p.m_fs.m_buffer.ReceiveUInt32());
        p.m_fs.m_buffer.SendUInt32(TAG_DB);
        std::vector<BYTE> part = Pattern(1048576, 3);
        p.m_fs.m_buffer.SendBytes(part.data(), DWORD(part.size()));
    });
    SIZE_T nGrown = 0;
    std::thread watcher([&] {
        // Time enough for a touch that isn't held back to fault in the whole block.
        ::Sleep(2000);
        nGrown = WorkingSet() - nBefore;
        ReceiverThreadList.StopAll(TRUE);
    });
    std::vector<BYTE> got;
    EXPECT_FALSE(ReadClipboard(CF_DIB, got));
    watcher.join();
    EXPECT_LT(nGrown, SIZE_T(96) * 1048576) << "resident: " << nGrown / 1048576 << " MB more";
    ASSERT_TRUE(WaitUntil(NoReceivers, 15000));
    TakeLog();
    peer.Join();
}

TEST_F(ServerWndTest, RefusedHandOverKeepsTheBlockForTheNextPaste)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(WaitOffered());
    CRequestPeer peer(Fs());
    peer.Start([](CRequestPeer& p, DWORD) { p.Serve({1, 2, 3}); });
    // The clipboard refuses every hand-over, as when the paste gave up waiting.
    Receiver()->m_pfnHandOver = RefuseHandOver;
    std::vector<BYTE> got;
    EXPECT_FALSE(ReadClipboard(CF_DIB, got));
    auto lines = TakeLog();
    ASSERT_EQ(2u, lines.size()) << Join(lines);
    EXPECT_EQ(0u, lines[0].find(L"【正常受信】")) << Join(lines);
    EXPECT_EQ(L"【エラー】 受信したデータの貼り付けに失敗しました。時間がかかりすぎたためかもしれません。"
              L"受信したデータは保持されていますので貼り付けをやり直してみてください。",
              lines[1]);
    EXPECT_EQ(1, Receiver()->m_nState.load());
    CReceiverThread* p = Receiver();
    EXPECT_TRUE(p->m_pData->GetAt(1)->m_hGlobal != nullptr) << "the block is held";

    // The next paste takes the held block, without a request; refused again,
    // it gives the clipboard line.
    EXPECT_FALSE(ReadClipboard(CF_DIB, got));
    lines = TakeLog();
    ASSERT_EQ(1u, lines.size()) << Join(lines);
    EXPECT_NE(std::wstring::npos, lines[0].find(L"クリップボードを開けないため受信データを処理できません。"))
        << Join(lines);
    EXPECT_EQ(1, peer.Count(TAG_SF));
    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

// A receiver that is being stopped (say after a malformed answer, its stream
// out of step) makes no request for a paste that reaches it before its
// window's stop message.
TEST(ServerWndStoppingTest, StoppedReceiverAsksNothing)
{
    AfxSocketInit();
    CAdoPtr<CReceiverThread> pReceiver(new CReceiverThread(0));
    CSocketX sender;
    ConnectPair(sender, pReceiver->m_socket);
    CByteArray key;
    key.SetSize(32);
    pReceiver->m_buffer.SetKey(nullptr, key);
    pReceiver->m_pData = new CBDFArray();
    CBDF* pRecord = new CBDF();
    pRecord->m_nFormat = CF_DIB;
    pRecord->m_strName = L"CF_DIB";
    pReceiver->m_pData->Add(pRecord);
    TakeLog();
    pReceiver->Stop();
    DWORD nStart = ::GetTickCount();
    EXPECT_FALSE(pReceiver->RenderFormat(CF_DIB));
    // At once, not after the 20 s that a silent sender is given.
    EXPECT_LT(::GetTickCount() - nStart, 10000u);
    ::Sleep(100);
    u_long nPending = 1;
    ::ioctlsocket(sender.m_socket.m_hSocket, FIONREAD, &nPending);
    EXPECT_EQ(0u, nPending) << "nothing went on the wire";
    EXPECT_TRUE(TakeLog().empty());
}

}  // namespace
