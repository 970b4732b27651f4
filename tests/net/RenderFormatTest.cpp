// The receiver's fetch of a delayed format (the WM_RENDERFORMAT work) against
// a fake sender: every answer, both replies, the held block.
#include "FakePeer.h"
#include "net/CReceiverThread.h"
#include <atomic>
#include <thread>

using namespace nettest;

namespace {

CBDF* Placeholder(UINT nFormat, const wchar_t* pszName)
{
    CBDF* p = new CBDF();
    p->m_nFormat = nFormat;
    p->m_strName = pszName;
    return p;
}

// A receiver holding placeholders, connected to a fake sender; the test
// thread plays the pasting program (it holds the clipboard open).
class RenderFormatTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        AfxSocketInit();
        TakeLog();
        m_sender.Close();
        m_pReceiver = new CReceiverThread(0);
        ConnectPair(m_sender, m_pReceiver->m_socket);
        CByteArray key;
        key.SetSize(32);
        key[31] = 9;
        m_senderBuffer.SetKey(nullptr, key);
        m_pReceiver->m_buffer.SetKey(nullptr, key);
        m_pReceiver->m_pData = new CBDFArray();
        m_pReceiver->m_pData->Add(Placeholder(CF_DIB, L"CF_DIB"));
        m_pReceiver->m_pData->Add(Placeholder(CF_UNICODETEXT, L"CF_UNICODETEXT"));
        m_pReceiver->m_pData->Add(Placeholder(CF_UNICODETEXT, L"second of its id"));
        m_hWnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(::OpenClipboard(m_hWnd));
        ::EmptyClipboard();
    }
    void TearDown() override
    {
        ::CloseClipboard();
        ::DestroyWindow(m_hWnd);
    }
    // Runs RenderFormat while script answers as the sender. A receiver that
    // gave up leaves the script waiting for a reply that never comes: it is
    // cut off after 5 s, so the fault fails the test instead of hanging it.
    BOOL Render(UINT nFormat, const std::function<void()>& script)
    {
        std::atomic<bool> bDone{false};
        std::thread t([&] {
            try
            {
                script();
            }
            catch (CSocketBufferException&)
            {
                ADD_FAILURE() << "the fake sender's exchange was cut off";
            }
            bDone = true;
        });
        BOOL b = m_pReceiver->RenderFormat(nFormat);
        for (int i = 0; i < 500 && !bDone; ++i)
            ::Sleep(10);
        if (!bDone)
            m_sender.Abort();
        t.join();
        return b;
    }
    // The request must be "SF" and the index.
    void ExpectRequest(DWORD nIndex)
    {
        EXPECT_EQ(DWORD(TAG_SF), m_senderBuffer.ReceiveUInt32());
        EXPECT_EQ(nIndex, m_senderBuffer.ReceiveUInt32());
    }
    void SendDL(ULONGLONG nSize)
    {
        CSendBuffer sb;
        sb.AppendString(L"DL");
        sb.AppendUInt64(nSize);
        m_senderBuffer.Send(sb);
    }

    CSocketX m_sender;
    CSocketBuffer m_senderBuffer{&m_sender};
    CAdoPtr<CReceiverThread> m_pReceiver;
    HWND m_hWnd = nullptr;
};

TEST_F(RenderFormatTest, DataArrivesWithBothReplies)
{
    const BYTE data[] = {'o', 0, 'k', 0, 0, 0};
    BOOL b = Render(CF_UNICODETEXT, [&] {
        ExpectRequest(1);  // the first record of that id
        SendDL(6);
        EXPECT_EQ(DWORD(REPLY_OK), m_senderBuffer.ReceiveUInt32());
        m_senderBuffer.SendUInt32(TAG_DB);
        m_senderBuffer.SendBytes(data, 6);
        EXPECT_EQ(DWORD(REPLY_OK), m_senderBuffer.ReceiveUInt32());
    });
    EXPECT_TRUE(b);
    EXPECT_EQ(1, m_pReceiver->m_nState.load());
    HANDLE h = ::GetClipboardData(CF_UNICODETEXT);
    ASSERT_TRUE(h != nullptr);
    EXPECT_EQ(0, memcmp(::GlobalLock(h), data, 6));
    ::GlobalUnlock(h);
    auto lines = TakeLog();
    ASSERT_EQ(1u, lines.size()) << Join(lines);
    EXPECT_EQ(L"【正常受信】  (1 KB) フォーマット: CF_UNICODETEXT", lines[0]);
}

TEST_F(RenderFormatTest, EmptyBlockIsAccepted)
{
    BOOL b = Render(CF_DIB, [&] {
        ExpectRequest(0);
        SendDL(0);
        EXPECT_EQ(DWORD(REPLY_OK), m_senderBuffer.ReceiveUInt32());
        m_senderBuffer.SendUInt32(TAG_DB);
        EXPECT_EQ(DWORD(REPLY_OK), m_senderBuffer.ReceiveUInt32());
    });
    EXPECT_FALSE(m_pReceiver->m_bStop.load());
    // Nothing to paste: as when the sender has no data, one line says so.
    EXPECT_FALSE(b);
    EXPECT_EQ(1, m_pReceiver->m_nState.load());
    EXPECT_TRUE(::GetClipboardData(CF_DIB) == nullptr);
    EXPECT_TRUE(m_pReceiver->m_pData->GetAt(0)->m_hGlobal == nullptr) << "nothing held for the next paste";
    auto lines = TakeLog();
    ASSERT_EQ(1u, lines.size()) << Join(lines);
    EXPECT_EQ(L"【受信エラー】 受信できません。フォーマット: CF_DIB", lines[0]);
}

TEST_F(RenderFormatTest, AnswersThatKeepTheConnection)
{
    struct
    {
        const char* pszName;
        std::function<void(RenderFormatTest&)> script;
        std::wstring strLine;
    } cases[] = {
        {"sender has no data",
         [](RenderFormatTest& t) {
             t.ExpectRequest(1);
             t.m_senderBuffer.SendUInt32(REPLY_NO_DATA);
         },
         L"【受信エラー】 受信できません。フォーマット: CF_UNICODETEXT"},
        {"size of 2^32",
         [](RenderFormatTest& t) {
             t.ExpectRequest(1);
             t.SendDL(0x100000000ull);
             EXPECT_EQ(DWORD(REPLY_CANNOT_HOLD), t.m_senderBuffer.ReceiveUInt32());
         },
         L"【受信エラー】 メモリ不足のため受信データを処理できません。"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        EXPECT_FALSE(Render(CF_UNICODETEXT, [&] { c.script(*this); }));
        EXPECT_FALSE(m_pReceiver->m_bStop.load()) << "the connection stays";
        EXPECT_EQ(1, m_pReceiver->m_nState.load());
        auto lines = TakeLog();
        EXPECT_EQ(1u, lines.size()) << Join(lines);
        if (!c.strLine.empty())
        {
            EXPECT_TRUE(HasLine(lines, {c.strLine})) << Join(lines);
        }
    }
}

TEST_F(RenderFormatTest, AnswersThatStopTheReceiver)
{
    struct
    {
        const char* pszName;
        std::function<void(RenderFormatTest&)> script;
        std::wstring strLine;
    } cases[] = {
        {"neither 4 nor DL",
         [](RenderFormatTest& t) {
             t.ExpectRequest(1);
             t.m_senderBuffer.SendUInt32(7);
         },
         L"【受信エラー】 受信データのフォーマットが異常です。"},
        {"data tag DX",
         [](RenderFormatTest& t) {
             t.ExpectRequest(1);
             t.SendDL(2);
             EXPECT_EQ(DWORD(REPLY_OK), t.m_senderBuffer.ReceiveUInt32());
             t.m_senderBuffer.SendUInt32(0x00580044);
         },
         L"【受信エラー】 受信データのフォーマットが異常です。"},
        {"sender gone",
         [](RenderFormatTest& t) {
             t.ExpectRequest(1);
             t.m_sender.Close();
         },
         L""},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        TearDown();
        SetUp();
        EXPECT_FALSE(Render(CF_UNICODETEXT, [&] { c.script(*this); }));
        EXPECT_TRUE(m_pReceiver->m_bStop.load());
        auto lines = TakeLog();
        if (c.strLine.empty())
        {
            EXPECT_TRUE(lines.empty()) << Join(lines);
        }
        else
        {
            EXPECT_TRUE(lines.size() == 1 && lines[0] == c.strLine) << Join(lines);
        }
    }
}

TEST_F(RenderFormatTest, NoRecordOrHeldBlockNeedsNoRequest)
{
    // No record of that format: nothing on the wire.
    EXPECT_FALSE(m_pReceiver->RenderFormat(CF_RIFF));
    // A block kept from an earlier fetch is handed over without asking.
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, 2);
    memcpy(::GlobalLock(h), "k", 2);
    ::GlobalUnlock(h);
    m_pReceiver->m_pData->GetAt(0)->m_hGlobal = h;
    EXPECT_TRUE(m_pReceiver->RenderFormat(CF_DIB));
    EXPECT_EQ(nullptr, m_pReceiver->m_pData->GetAt(0)->m_hGlobal);
    EXPECT_TRUE(TakeLog().empty());
    // The fake sender got nothing at all.
    u_long nPending = 1;
    ::ioctlsocket(m_sender.m_socket.m_hSocket, FIONREAD, &nPending);
    EXPECT_EQ(0u, nPending);
}

}  // namespace
