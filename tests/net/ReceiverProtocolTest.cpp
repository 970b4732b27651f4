// The receiving side of "C3" against a fake sender over loopback: every
// check and bound, the replies, and what lands on the clipboard.
#define PSAPI_VERSION 2
#include "FakePeer.h"
#include "CRequestPeer.h"
#include "net/CListenerThread.h"
#include "net/CReceiverThread.h"
#include "net/CSocketedThreadList.h"
#include "app/CBrinmoorApp.h"
#include <psapi.h>
#include <functional>

using namespace nettest;

namespace {

const wchar_t* const PASSWORD = L"secret";
const std::wstring TEXT_PASSWORD = L"受信データのフォーマットが異常です。パスワードが一致していない可能性があります。";
const std::wstring TEXT_FORMAT = L"受信データのフォーマットが異常です。";
const std::wstring TEXT_MEMORY = L"メモリ不足のため受信データを処理できません。";
const std::wstring TEXT_CLIPBOARD = L"クリップボードを開けないため受信データを処理できません。";

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage;
}

// Clipboard contents as seen from this thread.
std::vector<BYTE> ClipboardBytes(UINT nFormat, bool* pbPresent = nullptr)
{
    std::vector<BYTE> v;
    bool bPresent = ReadClipboard(nFormat, v);
    if (pbPresent)
        *pbPresent = bPresent;
    return v;
}

bool OnClipboard(UINT nFormat)
{
    bool b = false;
    ClipboardBytes(nFormat, &b);
    return b;
}

class ReceiverProtocolTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        AfxSocketInit();
        InternalFormat();
        std::vector<std::wstring> status;
        ASSERT_TRUE(StartListenerOnFreePort(status)) << Join(status);
        EXPECT_EQ(L"起動中", status.front());
    }
    static void TearDownTestSuite()
    {
        ReceiverThreadList.StopAll(TRUE);
        ListenerThreadList.StopAll(TRUE);
        auto status = TakeStatus();
        EXPECT_TRUE(!status.empty() && status.back() == L"停止：終了") << Join(status);
    }
    void SetUp() override
    {
        SetPassword(PASSWORD);
        SetRSA(false);
        TakeLog();
        PutSentinelOnClipboard();
    }
    void TearDown() override { ReceiverThreadList.StopAll(TRUE); }
    void Connect(FakeSender& fs) { ASSERT_TRUE(fs.Connect(theApp.m_nPort)); }
};

// Cases that end the connection with one error line and no reply.
struct FAILCASE
{
    const char* pszName;
    bool bRSA;
    std::function<void(FakeSender&)> script;
    std::wstring strText;
};

void ReadModulus(FakeSender& fs, DWORD nModulus)
{
    CByteArray modulus;
    EXPECT_TRUE(fs.ReadCheck(nModulus, modulus));
}

TEST_F(ReceiverProtocolTest, EveryRefusedStepEndsWithItsLine)
{
    ITEM text = {6, CF_UNICODETEXT, L"CF_UNICODETEXT"};
    FAILCASE cases[] = {
        {"NR tag wrong", true, [](FakeSender& fs) { fs.m_buffer.SendUInt32(0x00580058); }, TEXT_PASSWORD},
        {"check words refused", true, [](FakeSender& fs) { fs.m_buffer.SendUInt32(REPLY_CHECK_FAILED); },
         TEXT_PASSWORD},
        {"key length 0", true,
         [](FakeSender& fs) {
             fs.m_buffer.SendUInt32(TAG_NR);
             fs.m_buffer.SendUInt32(0);
         },
         TEXT_PASSWORD},
        {"key length 513", true,
         [](FakeSender& fs) {
             fs.m_buffer.SendUInt32(TAG_NR);
             fs.m_buffer.SendUInt32(513);
         },
         TEXT_PASSWORD},
        {"HB tag wrong", false, [](FakeSender& fs) { fs.m_buffer.SendUInt32(0x00580048); }, TEXT_PASSWORD},
        {"password hash differs", false, [&](FakeSender& fs) { fs.SendHB(L"other", Directory({text})); },
         TEXT_PASSWORD},
        {"directory length 0", false, [](FakeSender& fs) { fs.SendHB(PASSWORD, {}, 0); }, TEXT_FORMAT},
        {"directory length 0x80000000", false, [](FakeSender& fs) { fs.SendHB(PASSWORD, {}, 0x80000000); },
         TEXT_FORMAT},
        {"directory below 4 bytes", false,
         [](FakeSender& fs) {
             fs.SendHB(PASSWORD, {1, 0});
         },
         TEXT_FORMAT},
        {"item cut short", false,
         [](FakeSender& fs) {
             fs.SendHB(PASSWORD, {1, 0, 0, 0, 6, 0, 0, 0});
         },
         TEXT_FORMAT},
        {"size of 2^32", false,
         [](FakeSender& fs) {
             fs.SendHB(PASSWORD, Directory({{0x100000000ull, CF_UNICODETEXT, L"T"}}));
         },
         TEXT_MEMORY},
        {"name length 0x10000", false,
         [](FakeSender& fs) {
             fs.SendHB(PASSWORD, Directory({{6, CF_UNICODETEXT, L"T", 0x10000}}));
         },
         TEXT_FORMAT},
        {"name beyond the directory", false,
         [](FakeSender& fs) {
             auto dir = Directory({{6, CF_UNICODETEXT, L"CF_UNICODETEXT"}});
             dir.resize(dir.size() - 1);
             fs.SendHB(PASSWORD, dir);
         },
         TEXT_FORMAT},
        {"sizes beyond this process", false,
         [](FakeSender& fs) {
             std::vector<ITEM> items(16, ITEM{0xFFFFFFFFull, CF_UNICODETEXT, L"T"});
             fs.SendHB(PASSWORD, Directory(items));
         },
         TEXT_MEMORY},
        {"more items than clipboard format ids", false,
         [](FakeSender& fs) {
             std::vector<ITEM> items(0x10001, ITEM{0, CF_UNICODETEXT, L"T"});
             fs.SendHB(PASSWORD, Directory(items));
         },
         TEXT_FORMAT},
        {"data tag not D", false,
         [&](FakeSender& fs) {
             fs.SendHB(PASSWORD, Directory({text}));
             EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
             fs.m_buffer.SendUInt32(0x00420058);  // "XB"
             fs.m_buffer.SendBytes(reinterpret_cast<const BYTE*>(L"hi\0"), 6);
         },
         TEXT_FORMAT},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        SetRSA(c.bRSA);
        SIZE_T nBefore = PrivateBytes();
        FakeSender fs;
        Connect(fs);
        DWORD nModulus = fs.ReadGreeting(PASSWORD);
        EXPECT_EQ(c.bRSA ? 160u : 0u, nModulus);
        if (c.bRSA)
            ReadModulus(fs, nModulus);
        c.script(fs);
        EXPECT_TRUE(fs.ClosedByPeer()) << "closed without a reply";
        ASSERT_TRUE(WaitUntil(NoReceivers));
        EXPECT_LT(PrivateBytes(), nBefore + 64 * 1024 * 1024) << "memory taken for bytes that never came";
        auto lines = TakeLog();
        std::wstring tag = c.bRSA ? L"【受信エラー#】" : L"【受信エラー】";
        EXPECT_EQ(1u, lines.size()) << Join(lines);
        EXPECT_TRUE(HasLine(lines, {tag, L" " + c.strText})) << Join(lines);
        EXPECT_TRUE(lines.empty() || lines[0].compare(0, tag.size(), tag) == 0) << Join(lines);
    }
    SetRSA(false);
}

TEST_F(ReceiverProtocolTest, AnnouncedDirectoryCostsNothingUntilItArrives)
{
    FakeSender fs;
    Connect(fs);
    fs.ReadGreeting(PASSWORD);
    SIZE_T nBefore = PrivateBytes();
    CByteArray hash;
    // Announce 2 GB - 1 of directory, send 8 bytes of it, then go.
    fs.SendHB(PASSWORD, {1, 0, 0, 0, 0, 0, 0, 0}, 0x7FFFFFFF);
    ::Sleep(300);
    EXPECT_LT(PrivateBytes(), nBefore + 16 * 1024 * 1024);
    fs.m_socket.Close();
    ASSERT_TRUE(WaitUntil(NoReceivers));
    auto lines = TakeLog();
    EXPECT_TRUE(lines.empty()) << "a sender that goes away leaves no line" << Join(lines);
}

// A peer with the password that announces a large block and sends a little
// of it makes only a bounded stretch ahead of that little resident, not the
// block (the touch window is at most 64 MB).
TEST_F(ReceiverProtocolTest, AnnouncedBlockIsTouchedOnlyAheadOfItsData)
{
    const DWORD nBlock = 1024u * 1048576u;
    FakeSender fs;
    Connect(fs);
    fs.ReadGreeting(PASSWORD);
    fs.SendHB(PASSWORD, Directory({{nBlock, CF_UNICODETEXT, L"CF_UNICODETEXT"}}));
    ASSERT_EQ(DWORD(REPLY_OK), fs.Reply());
    SIZE_T nBefore = WorkingSet();
    const std::vector<BYTE> part(1048576, 0x5A);
    fs.m_buffer.SendUInt32(TAG_DB);
    fs.m_buffer.SendBytes(part.data(), DWORD(part.size()));
    // Time enough for a touch that isn't held back to fault in the whole block.
    ::Sleep(1500);
    SIZE_T nGrown = WorkingSet() - nBefore;
    EXPECT_LT(nGrown, SIZE_T(96) * 1048576) << "resident: " << nGrown / 1048576 << " MB more";
    fs.m_socket.Close();
    ASSERT_TRUE(WaitUntil(NoReceivers));
    TakeLog();
}

TEST_F(ReceiverProtocolTest, RecordsReachTheClipboardWithTheMarker)
{
    UINT nTestFormat = ::RegisterClipboardFormatW(L"VarnelTestFormat");
    std::wstring longName = L"CF_UNICODETEXT" + std::wstring(32767 - 14, L'x');
    std::vector<ITEM> items = {
        {6, CF_UNICODETEXT, longName, 0xFFFF},  // longest name; odd length
        {4, 0xC123, L"VarnelTestFormat", 33},   // sender's id; odd length
        {4, CF_BITMAP, L"CF_BITMAP"},           // a handle format: kept off
        {2, CF_TEXT, L"CF_TEXT"},
    };
    FakeSender fs;
    Connect(fs);
    fs.ReadGreeting(PASSWORD);
    fs.SendHB(PASSWORD, Directory(items));
    ASSERT_EQ(DWORD(REPLY_OK), fs.Reply());
    const BYTE text[] = {'h', 0, 'i', 0, 0, 0};
    const BYTE four[] = {1, 2, 3, 4};
    fs.m_buffer.SendUInt32(TAG_DB);
    fs.m_buffer.SendBytes(text, 6);
    fs.m_buffer.SendUInt32(0x00580044);  // "DX": only the 'D' counts here
    fs.m_buffer.SendBytes(four, 4);
    fs.m_buffer.SendUInt32(TAG_DB);
    fs.m_buffer.SendBytes(four, 4);
    fs.m_buffer.SendUInt32(TAG_DB);
    fs.m_buffer.SendBytes(reinterpret_cast<const BYTE*>("a"), 2);
    EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
    EXPECT_TRUE(fs.ClosedByPeer());
    ASSERT_TRUE(WaitUntil(NoReceivers));

    auto lines = TakeLog();
    ASSERT_EQ(1u, lines.size()) << Join(lines);
    EXPECT_EQ(0u, lines[0].find(L"【正常受信】"));
    EXPECT_TRUE(
        HasLine(lines, {L"  (1 KB) フォーマット: CF_UNICODETEXTxxx", L"xxx,  VarnelTestFormat,  CF_BITMAP,  CF_TEXT"}))
        << Join(lines);

    auto got = ClipboardBytes(CF_UNICODETEXT);
    EXPECT_TRUE(got == std::vector<BYTE>(text, text + 6));
    got = ClipboardBytes(nTestFormat);
    EXPECT_TRUE(got == std::vector<BYTE>(four, four + 4)) << "registered by name on this computer";
    EXPECT_FALSE(OnClipboard(CF_BITMAP));
    EXPECT_TRUE(OnClipboard(CF_TEXT)) << "the record after a refused one keeps its place";
    EXPECT_TRUE(OnClipboard(InternalFormat()));
}

TEST_F(ReceiverProtocolTest, EmptyDirectoriesPutOnlyTheMarker)
{
    for (int nCount : {0, -1})
    {
        SCOPED_TRACE(nCount);
        PutSentinelOnClipboard();
        FakeSender fs;
        Connect(fs);
        fs.ReadGreeting(PASSWORD);
        fs.SendHB(PASSWORD, Directory({}, nCount));
        EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
        EXPECT_TRUE(fs.ClosedByPeer()) << "no reply after an empty data step";
        ASSERT_TRUE(WaitUntil(NoReceivers));
        EXPECT_TRUE(TakeLog().empty());
        EXPECT_FALSE(OnClipboard(CF_UNICODETEXT));
        EXPECT_TRUE(OnClipboard(InternalFormat()));
    }
}

TEST_F(ReceiverProtocolTest, RSAExchangeThenTransfer)
{
    SetRSA(true);
    FakeSender fs;
    Connect(fs);
    DWORD nModulus = fs.ReadGreeting(PASSWORD);
    ASSERT_EQ(160u, nModulus);
    CByteArray modulus;
    ASSERT_TRUE(fs.ReadCheck(nModulus, modulus));
    CBigNum n;
    n.FromString(TestModulusHex());
    CByteArray expected;
    n.ToByteArray(expected);
    EXPECT_EQ(0, memcmp(expected.GetData(), modulus.GetData(), 160)) << "modulus big-endian";
    EXPECT_EQ(DWORD(REPLY_OK), fs.SendSessionKey(modulus));
    fs.SendHB(PASSWORD, Directory({{4, CF_UNICODETEXT, L"CF_UNICODETEXT"}}));
    EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
    fs.m_buffer.SendUInt32(TAG_DB);
    fs.m_buffer.SendBytes(reinterpret_cast<const BYTE*>(L"z"), 4);
    EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
    ASSERT_TRUE(WaitUntil(NoReceivers));
    auto lines = TakeLog();
    EXPECT_TRUE(HasLine(lines, {L"【正常受信#】", L" (1 KB) フォーマット: CF_UNICODETEXT"})) << Join(lines);
    auto got = ClipboardBytes(CF_UNICODETEXT);
    EXPECT_TRUE(got.size() >= 2 && got[0] == 'z');
    SetRSA(false);
}

TEST_F(ReceiverProtocolTest, PlaceholdersKeepTheConnectionWithKeepAlives)
{
    FakeSender fs;
    Connect(fs);
    fs.ReadGreeting(PASSWORD);
    fs.SendHB(PASSWORD, Directory({{0, CF_UNICODETEXT, L"CF_UNICODETEXT"}, {0, CF_DIB, L"CF_DIB"}}));
    EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
    // No reply after a data step without data: the next bytes are keep-alives.
    DWORD nFirst = 0;
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(DWORD(TAG_AL), fs.m_buffer.ReceiveUInt32());
        if (i == 0)
            nFirst = ::GetTickCount();
        else
            // A late first arrival shortens this gap: only a busy loop fails it.
            EXPECT_GE(::GetTickCount() - nFirst, 500u) << "keep-alives about a second apart";
    }
    EXPECT_EQ(1, ReceiverThreadList.GetStatus());
    auto lines = TakeLog();
    EXPECT_TRUE(HasLine(lines, {L"【受信可能】", L" フォーマット: CF_UNICODETEXT,  CF_DIB"})) << Join(lines);
    // The sender goes: the receiver notices at a keep-alive and ends quietly.
    fs.m_socket.Close();
    EXPECT_TRUE(WaitUntil(NoReceivers, 10000));
    EXPECT_TRUE(TakeLog().empty());
}

TEST_F(ReceiverProtocolTest, NewConnectionStopsTheReceiverBefore)
{
    FakeSender first;
    Connect(first);
    first.ReadGreeting(PASSWORD);
    first.SendHB(PASSWORD, Directory({{0, CF_DIB, L"CF_DIB"}}));
    EXPECT_EQ(DWORD(REPLY_OK), first.Reply());
    EXPECT_EQ(DWORD(TAG_AL), first.m_buffer.ReceiveUInt32());

    FakeSender second;
    Connect(second);
    second.ReadGreeting(PASSWORD);
    second.SendHB(PASSWORD, Directory({{0, CF_DIB, L"CF_DIB"}}));
    EXPECT_EQ(DWORD(REPLY_OK), second.Reply());
    EXPECT_TRUE(first.ClosedByPeer()) << "the older receiver ends once the new copy is accepted";
    second.m_socket.Close();
    ASSERT_TRUE(WaitUntil(NoReceivers));
}

// A connection whose copy is never accepted (no password, garbage, an early
// close) leaves the receiver that holds placeholders serving them.
TEST_F(ReceiverProtocolTest, ConnectionsWithoutACopyLeaveTheHeldPlaceholders)
{
    const struct
    {
        const char* pszName;
        std::function<void(FakeSender&)> script;
    } cases[] = {
        {"closed before the greeting is read", [](FakeSender&) {}},
        {"closed after the greeting", [](FakeSender& fs) { fs.ReadGreeting(PASSWORD); }},
        {"garbage after the greeting",
         [](FakeSender& fs) {
             fs.ReadGreeting(PASSWORD);
             BYTE abJunk[64];
             for (int i = 0; i < 64; ++i)
                 abJunk[i] = BYTE(i * 37 + 11);
             fs.m_socket.Send(abJunk, sizeof(abJunk));
         }},
        {"another password",
         [](FakeSender& fs) {
             fs.ReadGreeting(L"wrong");
             fs.SendHB(L"wrong", Directory({{0, CF_DIB, L"CF_DIB"}}));
         }},
        {"the password and a malformed directory",
         [](FakeSender& fs) {
             fs.ReadGreeting(PASSWORD);
             fs.SendHB(PASSWORD, {}, 0);
         }},
    };
    const size_t nCases = sizeof(cases) / sizeof(cases[0]);
    // One placeholder per case: a paste that worked leaves its data on the
    // clipboard, so each case pastes a format not asked for before.
    std::vector<ITEM> items;
    std::vector<UINT> formats;
    for (size_t i = 0; i < nCases; ++i)
    {
        std::wstring strName = L"Varnel Test Held " + std::to_wstring(i);
        formats.push_back(::RegisterClipboardFormatW(strName.c_str()));
        items.push_back({0, UINT(0xC100 + i), strName});
    }
    auto data = [](DWORD nIndex) { return std::vector<BYTE>(100 + nIndex, BYTE('a' + nIndex)); };

    FakeSender holder;
    Connect(holder);
    holder.ReadGreeting(PASSWORD);
    holder.SendHB(PASSWORD, Directory(items));
    ASSERT_EQ(DWORD(REPLY_OK), holder.Reply());
    std::vector<std::wstring> lines;
    ASSERT_TRUE(Gather(TakeLog, lines, L"【受信可能】")) << Join(lines);
    CRequestPeer peer(holder);
    peer.Start([&](CRequestPeer& p, DWORD nIndex) { p.Serve(data(nIndex)); });

    for (size_t i = 0; i < nCases; ++i)
    {
        SCOPED_TRACE(cases[i].pszName);
        {
            FakeSender stranger;
            Connect(stranger);
            // The greeting shows that its receiver runs; whatever the new
            // connection can do to the older one has been done by then.
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(stranger.m_socket.m_socket.m_hSocket, &readable);
            timeval wait = {10, 0};
            ASSERT_EQ(1, ::select(0, &readable, nullptr, nullptr, &wait)) << "no greeting";
            cases[i].script(stranger);
        }
        ASSERT_TRUE(WaitUntil([] { return ReceiverThreadList.GetCountLocked() == 1; }))
            << "the stranger's receiver ends, the holder stays";
        std::vector<BYTE> got;
        EXPECT_TRUE(ReadClipboard(formats[i], got) && got == data(DWORD(i))) << "got " << got.size() << " bytes";
    }
    EXPECT_EQ(int(nCases), peer.Count(TAG_SF));
    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

// Names from the sender are shown whole, and the offer line names only what
// the clipboard is offered (a handle-valued format is not).
TEST_F(ReceiverProtocolTest, LogLinesNameWholeNamesAndOnlyWhatIsOffered)
{
    const std::wstring strNulData(L"Varnel Test\0Data", 16);
    const std::wstring strNulHeld(L"Varnel Test\0Held", 16);
    const struct
    {
        const char* pszName;
        std::vector<ITEM> items;
        std::wstring strReceived;  // the reception line's names
        std::wstring strOffered;   // the offer line's names; empty: no offer, the connection ends
    } cases[] = {
        {"data and placeholders",
         {{2, 0xC201, strNulData},
          {2, CF_UNICODETEXT, L"CF_UNICODETEXT"},
          {0, CF_BITMAP, L"CF_BITMAP"},
          {0, 0xC202, strNulHeld},
          {0, CF_DIB, L"CF_DIB"}},
         L"フォーマット: Varnel Test\u2400Data,  CF_UNICODETEXT",
         L"フォーマット: Varnel Test\u2400Held,  CF_DIB"},
        {"only a handle-valued placeholder",
         {{2, CF_UNICODETEXT, L"CF_UNICODETEXT"}, {0, CF_BITMAP, L"CF_BITMAP"}},
         L"フォーマット: CF_UNICODETEXT",
         L""},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        FakeSender fs;
        Connect(fs);
        fs.ReadGreeting(PASSWORD);
        fs.SendHB(PASSWORD, Directory(c.items));
        ASSERT_EQ(DWORD(REPLY_OK), fs.Reply());
        for (auto& it : c.items)
        {
            if (it.nSize == 0)
                continue;
            fs.m_buffer.SendUInt32(TAG_DB);
            fs.m_buffer.SendBytes(reinterpret_cast<const BYTE*>("xy"), 2);
        }
        ASSERT_EQ(DWORD(REPLY_OK), fs.Reply());
        std::vector<std::wstring> lines;
        if (c.strOffered.empty())
        {
            EXPECT_TRUE(fs.ClosedByPeer()) << "nothing to hold";
            ASSERT_TRUE(WaitUntil(NoReceivers));
            lines = TakeLog();
        }
        else
        {
            ASSERT_TRUE(Gather(TakeLog, lines, L"【受信可能】")) << Join(lines);
        }
        ASSERT_EQ(c.strOffered.empty() ? 1u : 2u, lines.size()) << Join(lines);
        EXPECT_EQ(0u, lines[0].find(L"【正常受信】")) << Join(lines);
        EXPECT_TRUE(lines[0].size() >= c.strReceived.size() &&
                    lines[0].compare(lines[0].size() - c.strReceived.size(), std::wstring::npos, c.strReceived) == 0)
            << Join(lines);
        if (!c.strOffered.empty())
        {
            EXPECT_EQ(0u, lines[1].find(L"【受信可能】")) << Join(lines);
            EXPECT_TRUE(lines[1].size() >= c.strOffered.size() &&
                        lines[1].compare(lines[1].size() - c.strOffered.size(), std::wstring::npos, c.strOffered) == 0)
                << Join(lines);
        }
        ReceiverThreadList.StopAll(TRUE);
    }
}

// The receiver has its data but the clipboard is held by someone else.
TEST_F(ReceiverProtocolTest, BusyClipboard)
{
    struct
    {
        const char* pszName;
        bool bStop;
    } cases[] = {{"stopped meanwhile", true}, {"busy for good", false}};
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        PutSentinelOnClipboard();
        // Held by a window: an open clipboard without one doesn't keep other
        // threads out everywhere.
        HWND hHolder = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(::OpenClipboard(hHolder));
        FakeSender fs;
        Connect(fs);
        fs.ReadGreeting(PASSWORD);
        fs.SendHB(PASSWORD, Directory({{4, CF_UNICODETEXT, L"CF_UNICODETEXT"}}));
        EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
        fs.m_buffer.SendUInt32(TAG_DB);
        fs.m_buffer.SendBytes(reinterpret_cast<const BYTE*>(L"r"), 4);
        EXPECT_EQ(DWORD(REPLY_OK), fs.Reply());
        if (c.bStop)
        {
            ::Sleep(250);
            ReceiverThreadList.StopAll(FALSE);
            ::CloseClipboard();
        }
        ASSERT_TRUE(WaitUntil(NoReceivers, 15000));
        if (!c.bStop)
            ::CloseClipboard();
        ::DestroyWindow(hHolder);
        auto lines = TakeLog();
        EXPECT_EQ(c.bStop ? 0 : 1, int(HasLine(lines, {L"【受信エラー】", TEXT_CLIPBOARD}))) << Join(lines);
        auto got = ClipboardBytes(CF_UNICODETEXT);
        EXPECT_TRUE(got.size() >= 2 && got[0] == 's') << "the clipboard keeps what it had";
        EXPECT_FALSE(OnClipboard(InternalFormat()));
    }
}

}  // namespace
