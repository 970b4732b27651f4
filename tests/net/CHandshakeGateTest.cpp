// Connections that never pass their password check, against the real
// listener: a flood of silent ones is bounded in threads by the cap and ends
// by the deadline, and neither an honest copy nor a held one is disturbed.
#include "FakePeer.h"
#include "CRequestPeer.h"
#include "net/CHandshakeGate.h"
#include "net/CListenerThread.h"
#include "net/CSocketedThreadList.h"
#include "app/CBrinmoorApp.h"
#include <tlhelp32.h>
#include <memory>

using namespace nettest;

namespace {

const wchar_t* const PASSWORD = L"secret";
const std::wstring TEXT_CAP = L"パスワードの確認を待つ接続が多すぎるため、古いものから閉じます。";
const std::wstring TEXT_DEADLINE = L"パスワードの確認が期限内に済まない接続を閉じます。";

int ThreadCount()
{
    int nCount = 0;
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    for (BOOL b = ::Thread32First(hSnap, &te); b; b = ::Thread32Next(hSnap, &te))
        if (te.th32OwnerProcessID == ::GetCurrentProcessId())
            ++nCount;
    ::CloseHandle(hSnap);
    return nCount;
}

int CountLines(const std::vector<std::wstring>& lines, const std::wstring& part)
{
    int n = 0;
    for (const auto& line : lines)
        n += line.find(part) != std::wstring::npos ? 1 : 0;
    return n;
}

typedef std::vector<std::unique_ptr<FakeSender>> FLOOD;

class HandshakeGateTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        AfxSocketInit();
        InternalFormat();
        std::vector<std::wstring> status;
        ASSERT_TRUE(StartListenerOnFreePort(status)) << Join(status);
    }
    static void TearDownTestSuite()
    {
        ReceiverThreadList.StopAll(TRUE);
        ListenerThreadList.StopAll(TRUE);
        TakeStatus();
    }
    void SetUp() override
    {
        SetPassword(PASSWORD);
        SetRSA(false);
        TakeLog();
        PutSentinelOnClipboard();
        // No deadline falls within a test unless it sets one.
        CHandshakeGate::s_nDeadlineMs = 600000;
        CHandshakeGate::s_nMaxWaiting = 16;
    }
    void TearDown() override
    {
        ReceiverThreadList.StopAll(TRUE);
        CHandshakeGate::s_nDeadlineMs = 30000;
        CHandshakeGate::s_nMaxWaiting = 32;
    }
    // nCount connections that read the greeting and stay silent.
    static void Flood(FLOOD& flood, int nCount)
    {
        for (int i = 0; i < nCount; ++i)
        {
            flood.emplace_back(new FakeSender());
            ASSERT_TRUE(flood.back()->Connect(theApp.m_nPort));
            flood.back()->ReadGreeting(PASSWORD);
        }
    }
};

// The cap: each newer connection closes the oldest waiting one, so the
// threads stay bounded; a flood is one log line, not one per connection.
TEST_F(HandshakeGateTest, SilentFloodKeepsOnlyTheNewestWaiting)
{
    const int nBefore = ThreadCount();
    FLOOD flood;
    Flood(flood, 300);
    ASSERT_TRUE(WaitUntil([] { return ReceiverThreadList.GetCountLocked() == 16; }))
        << ReceiverThreadList.GetCountLocked() << " receivers";
    EXPECT_EQ(16, CHandshakeGate::GetWaitingCount());
    for (size_t i = 0; i + 16 < flood.size(); ++i)
        ASSERT_TRUE(flood[i]->ClosedByPeer()) << "connection " << i << " still open";
    // The listener, the receivers and what the system keeps besides.
    EXPECT_LE(ThreadCount(), nBefore + 16 + 8);
    auto lines = TakeLog();
    EXPECT_EQ(1, CountLines(lines, TEXT_CAP)) << Join(lines);
}

// The deadline: with no honest copy coming, every waiting connection ends.
TEST_F(HandshakeGateTest, SilentConnectionsEndByTheDeadline)
{
    CHandshakeGate::s_nDeadlineMs = 2000;
    FLOOD flood;
    Flood(flood, 40);
    for (size_t i = 0; i < flood.size(); ++i)
        ASSERT_TRUE(flood[i]->ClosedByPeer(30000)) << "connection " << i << " still open";
    EXPECT_TRUE(WaitUntil(NoReceivers));
    EXPECT_EQ(0, CHandshakeGate::GetWaitingCount());
    auto lines = TakeLog();
    EXPECT_EQ(1, CountLines(lines, TEXT_DEADLINE)) << Join(lines);
    EXPECT_EQ(1, CountLines(lines, TEXT_CAP)) << Join(lines);
}

// An honest sender gets in while the queue is full, and once its check is
// passed the flood that goes on doesn't close it.
TEST_F(HandshakeGateTest, HonestCopyLandsDuringAFlood)
{
    FLOOD flood;
    Flood(flood, 100);
    FakeSender honest;
    ASSERT_TRUE(honest.Connect(theApp.m_nPort));
    honest.ReadGreeting(PASSWORD);
    honest.SendHB(PASSWORD, Directory({{6, CF_UNICODETEXT, L"CF_UNICODETEXT"}}));
    ASSERT_EQ(DWORD(REPLY_OK), honest.Reply());
    Flood(flood, 100);
    const BYTE text[] = {'h', 0, 'i', 0, 0, 0};
    honest.m_buffer.SendUInt32(TAG_DB);
    honest.m_buffer.SendBytes(text, 6);
    EXPECT_EQ(DWORD(REPLY_OK), honest.Reply());
    EXPECT_TRUE(honest.ClosedByPeer());
    std::vector<BYTE> got;
    EXPECT_TRUE(ReadClipboard(CF_UNICODETEXT, got) && got == std::vector<BYTE>(text, text + 6));
    EXPECT_TRUE(HasLine(TakeLog(), {L"【正常受信】"}));
}

// A held copy is past its check: a flood takes neither it nor its
// placeholders away.
TEST_F(HandshakeGateTest, HeldPlaceholdersSurviveAFlood)
{
    UINT nFormat = ::RegisterClipboardFormatW(L"Varnel Test Held Flood");
    const std::vector<BYTE> data(300, BYTE('q'));
    FakeSender holder;
    ASSERT_TRUE(holder.Connect(theApp.m_nPort));
    holder.ReadGreeting(PASSWORD);
    holder.SendHB(PASSWORD, Directory({{0, 0xC1F0, L"Varnel Test Held Flood"}}));
    ASSERT_EQ(DWORD(REPLY_OK), holder.Reply());
    std::vector<std::wstring> lines;
    ASSERT_TRUE(Gather(TakeLog, lines, L"【受信可能】")) << Join(lines);
    CRequestPeer peer(holder);
    peer.Start([&](CRequestPeer& p, DWORD) { p.Serve(data); });

    FLOOD flood;
    Flood(flood, 200);
    ASSERT_TRUE(WaitUntil([] { return ReceiverThreadList.GetCountLocked() == 1 + 16; }));
    std::vector<BYTE> got;
    EXPECT_TRUE(ReadClipboard(nFormat, got) && got == data) << "got " << got.size() << " bytes";
    EXPECT_EQ(1, peer.Count(TAG_SF));
    ReceiverThreadList.StopAll(TRUE);
    peer.Join();
}

}  // namespace
