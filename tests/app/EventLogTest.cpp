#include <gtest/gtest.h>

#include <time.h>

#include <string>
#include <thread>
#include <vector>

#include "app/AppMessages.h"
#include "app/EventLog.h"

namespace {

std::string Narrow(const CString& s)
{
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
    {
        wchar_t ch = s[i];
        if (ch == L'\r')
            out += "\\r";
        else if (ch == L'\n')
            out += "\\n";
        else if (ch >= 0x20 && ch < 0x7F)
            out += static_cast<char>(ch);
        else
        {
            char buf[16];
            snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(ch));
            out += buf;
        }
    }
    return out;
}

__time64_t LocalTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    struct tm t = {};
    t.tm_year = nYear - 1900;
    t.tm_mon = nMonth - 1;
    t.tm_mday = nDay;
    t.tm_hour = nHour;
    t.tm_min = nMinute;
    t.tm_sec = nSecond;
    t.tm_isdst = -1;
    return _mktime64(&t);
}

void DrainQueues()
{
    while (CString* p = LogQueue.Pop())
        delete p;
    while (CServerStatusQueueItem* p = ServerStatusQueue.Pop())
        delete p;
}

// A window of this thread standing in for the main dialog.
class EventLogWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DrainQueues();
        m_hWnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_hWnd != nullptr);
    }
    void TearDown() override
    {
        MainDialogWnd = nullptr;
        ::DestroyWindow(m_hWnd);
        DrainQueues();
    }
    int CountPosted(UINT nMessage)
    {
        int n = 0;
        MSG msg;
        while (::PeekMessageW(&msg, m_hWnd, nMessage, nMessage, PM_REMOVE))
        {
            EXPECT_EQ(0u, msg.wParam);
            EXPECT_EQ(0, msg.lParam);
            ++n;
        }
        return n;
    }
    HWND m_hWnd = nullptr;
};

TEST(FormatLogLine, StampsMonthDayAndTimeThenTextAndLineEnd)
{
    const struct
    {
        int y, mo, d, h, mi, s;
        const wchar_t* pszText;
        const wchar_t* pszLine;
    } cases[] = {
        {2026, 3, 1, 9, 5, 3, L"text", L"03/01 09:05:03 text\r\n"},
        {2026, 12, 31, 23, 59, 59, L"", L"12/31 23:59:59 \r\n"},
        {2027, 1, 9, 0, 0, 0, nullptr, L"01/09 00:00:00 \r\n"},
        {2026, 7, 15, 12, 30, 45, L"【正常送信】host : 60125", L"07/15 12:30:45 【正常送信】host : 60125\r\n"},
        // The text is copied, never used as a format.
        {2026, 2, 28, 1, 2, 3, L"100%d %s %n", L"02/28 01:02:03 100%d %s %n\r\n"},
    };
    for (const auto& c : cases)
    {
        __time64_t t = LocalTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
        ASSERT_NE(-1, t);
        EXPECT_EQ(Narrow(c.pszLine), Narrow(FormatLogLine(t, c.pszText)))
            << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.s;
    }
}

TEST(FormatLogLine, UnconvertibleTimeGivesTheFallbackStamp)
{
    EXPECT_EQ(Narrow(L"00/00 -1:-1:-1 x\r\n"), Narrow(FormatLogLine(-1, L"x")));
}

TEST_F(EventLogWindow, AddLogQueuesOneStampedLineAndPostsOnce)
{
    MainDialogWnd = m_hWnd;
    const struct
    {
        const wchar_t* pszText;
        const wchar_t* pszExpectedText;
    } cases[] = {
        {L"hello", L"hello"},
        {L"", L""},
        {nullptr, L""},
        {L"日本語\x3000テキスト", L"日本語\x3000テキスト"},
    };
    for (const auto& c : cases)
    {
        __time64_t tBefore = _time64(nullptr);
        AddLog(c.pszText);
        __time64_t tAfter = _time64(nullptr);
        CString* pLine = LogQueue.Pop();
        ASSERT_TRUE(pLine != nullptr) << Narrow(c.pszExpectedText);
        EXPECT_TRUE(LogQueue.Pop() == nullptr) << "one line per call";
        // The stamp is one of the seconds the call spanned.
        BOOL bMatched = FALSE;
        for (__time64_t t = tBefore; t <= tAfter && !bMatched; ++t)
            bMatched = (*pLine == FormatLogLine(t, c.pszExpectedText));
        EXPECT_TRUE(bMatched) << "got " << Narrow(*pLine);
        delete pLine;
        EXPECT_EQ(1, CountPosted(UWM_LOGQUEUED)) << Narrow(c.pszExpectedText);
    }
}

TEST_F(EventLogWindow, NothingIsPostedWithoutAMainDialogAndLinesWait)
{
    MainDialogWnd = nullptr;
    AddLog(L"early");
    PushServerStatus(0, L"起動中");
    EXPECT_EQ(0, CountPosted(UWM_LOGQUEUED));
    EXPECT_EQ(0, CountPosted(UWM_SERVERSTATUSQUEUED));
    MainDialogWnd = m_hWnd;
    AddLog(L"later");
    EXPECT_EQ(1, CountPosted(UWM_LOGQUEUED));
    CString* pFirst = LogQueue.Pop();
    CString* pSecond = LogQueue.Pop();
    ASSERT_TRUE(pFirst != nullptr && pSecond != nullptr);
    EXPECT_EQ("early\\r\\n", Narrow(pFirst->Mid(15)));
    EXPECT_EQ("later\\r\\n", Narrow(pSecond->Mid(15)));
    delete pFirst;
    delete pSecond;
}

// A name from the network may hold any character: none of them cuts the line
// short or breaks it in two.
TEST_F(EventLogWindow, ControlCharactersShowAsTheirPictures)
{
    MainDialogWnd = m_hWnd;
    const struct
    {
        const wchar_t* pszText;
        int nLength;
        const wchar_t* pszExpected;
    } cases[] = {
        {L"フォーマット: a\0b,  CF_DIB", 20, L"フォーマット: a\u2400b,  CF_DIB"},
        {L"\0", 1, L"\u2400"},
        {L"x\r\ny\tz\x1f", 7, L"x\u240d\u240ay\u2409z\u241f"},
        {L"~ stays", 7, L"~ stays"},
    };
    for (const auto& c : cases)
    {
        AddLog(CString(c.pszText, c.nLength));
        CString* pLine = LogQueue.Pop();
        ASSERT_TRUE(pLine != nullptr) << Narrow(c.pszExpected);
        EXPECT_EQ(Narrow(CString(c.pszExpected) + L"\r\n"), Narrow(pLine->Mid(15)));
        delete pLine;
        EXPECT_EQ(1, CountPosted(UWM_LOGQUEUED));
    }
}

TEST_F(EventLogWindow, PushServerStatusQueuesFlagAndTextAndPosts)
{
    MainDialogWnd = m_hWnd;
    const struct
    {
        int bIPv6;
        const wchar_t* pszText;
        const wchar_t* pszExpected;
    } cases[] = {
        {0, L"稼働中\x3000ポート 60125", L"稼働中\x3000ポート 60125"},
        {1, L"起動中", L"起動中"},
        {0, nullptr, L""},
    };
    for (const auto& c : cases)
    {
        PushServerStatus(c.bIPv6, c.pszText);
        EXPECT_EQ(1, CountPosted(UWM_SERVERSTATUSQUEUED));
        CServerStatusQueueItem* pItem = ServerStatusQueue.Pop();
        ASSERT_TRUE(pItem != nullptr);
        EXPECT_EQ(c.bIPv6, pItem->m_bIPv6);
        EXPECT_EQ(Narrow(c.pszExpected), Narrow(pItem->m_strText));
        delete pItem;
    }
    EXPECT_TRUE(ServerStatusQueue.Pop() == nullptr);
}

TEST(AddLog, LinesFromSeveralThreadsArriveWholeAndInEachThreadsOrder)
{
    DrainQueues();
    const int nThreads = 8;
    const int nLines = 300;
    std::vector<std::thread> producers;
    for (int t = 0; t < nThreads; ++t)
    {
        producers.emplace_back([t]() {
            for (int i = 0; i < nLines; ++i)
            {
                CString strText;
                strText.Format(L"thread %d line %d 【送信エラー】", t, i);
                AddLog(strText);
            }
        });
    }
    // The consumer empties the queue while the producers are still at it.
    std::vector<int> nextLine(nThreads, 0);
    int nTotal = 0;
    int nBad = 0;
    auto consume = [&]() {
        while (CString* pLine = LogQueue.Pop())
        {
            int t = -1, i = -1;
            int nStamp[5];
            int nFields = swscanf(pLine->GetString(), L"%2d/%2d %2d:%2d:%2d thread %d line %d", &nStamp[0], &nStamp[1],
                                  &nStamp[2], &nStamp[3], &nStamp[4], &t, &i);
            CString strExpectedTail;
            strExpectedTail.Format(L" thread %d line %d 【送信エラー】\r\n", t, i);
            if (nFields != 7 || t < 0 || t >= nThreads || pLine->GetLength() < 14 ||
                pLine->Mid(14) != strExpectedTail || i != nextLine[static_cast<size_t>(t)])
            {
                if (++nBad < 5)
                    ADD_FAILURE() << "bad or out-of-order line " << Narrow(*pLine);
            }
            else
            {
                ++nextLine[static_cast<size_t>(t)];
            }
            ++nTotal;
            delete pLine;
        }
    };
    for (int spin = 0; spin < 50; ++spin)
    {
        consume();
        ::Sleep(1);
    }
    for (std::thread& p : producers)
        p.join();
    consume();
    EXPECT_EQ(0, nBad);
    EXPECT_EQ(nThreads * nLines, nTotal);
}

// An item type that counts its deletions, for the queue's ownership.
struct CCountedItem
{
    explicit CCountedItem(int* pDeleted) : m_pDeleted(pDeleted) {}
    ~CCountedItem() { ++*m_pDeleted; }
    int* m_pDeleted;
};

TEST(CQueue, FirstInFirstOutAndDeletesWhatIsLeft)
{
    int nDeleted = 0;
    {
        CQueue<CCountedItem*> queue;
        EXPECT_TRUE(queue.Pop() == nullptr);
        CCountedItem* pA = new CCountedItem(&nDeleted);
        CCountedItem* pB = new CCountedItem(&nDeleted);
        queue.Push(pA);
        queue.Push(pB);
        queue.Push(new CCountedItem(&nDeleted));
        queue.Push(new CCountedItem(&nDeleted));
        EXPECT_TRUE(queue.Pop() == pA);
        EXPECT_TRUE(queue.Pop() == pB);
        delete pA;
        delete pB;
        EXPECT_EQ(2, nDeleted);
    }
    EXPECT_EQ(4, nDeleted) << "the queue deletes the items still waiting";
}

}  // namespace
