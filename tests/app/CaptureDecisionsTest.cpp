// Which records the capture makes from a given clipboard, through a reader
// that hands it a clipboard of the test's own making (real global blocks).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CClipboardCapture.h"

namespace {

const UINT kInternal = 0xC123;
const UINT kHtml = 0xC200;
const UINT kPng = 0xC201;
const UINT kOther = 0xC202;
const UINT kNameless = 0xC203;

typedef std::vector<unsigned char> Bytes;

Bytes Wide(const wchar_t* text, size_t extraZeroBytes = 0)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    Bytes b(p, p + (wcslen(text) + 1) * sizeof(wchar_t));
    b.insert(b.end(), extraZeroBytes, 0);
    return b;
}

Bytes Raw(const char* text, size_t n) { return Bytes(text, text + n); }

Bytes Lcid(DWORD lcid)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&lcid);
    return Bytes(p, p + sizeof lcid);
}

Bytes Filled(size_t n) { return Bytes(n, 0x41); }

// One clipboard entry: data NULL (no block), an empty block, or bytes.
struct ENTRY
{
    UINT id;
    const wchar_t* name;  // registered formats only
    enum
    {
        DATA,
        NODATA,
        EMPTYBLOCK
    } kind;
    Bytes bytes;
};

ENTRY Data(UINT id, Bytes b, const wchar_t* name = L"") { return {id, name, ENTRY::DATA, b}; }
ENTRY NoData(UINT id, const wchar_t* name = L"") { return {id, name, ENTRY::NODATA, {}}; }
ENTRY EmptyBlock(UINT id) { return {id, L"", ENTRY::EMPTYBLOCK, {}}; }

class CFakeClipboard : public CClipboardReader
{
public:
    explicit CFakeClipboard(const std::vector<ENTRY>& entries, BOOL bOpens = TRUE)
        : m_entries(entries), m_bOpens(bOpens)
    {
        for (const ENTRY& e : m_entries)
        {
            HGLOBAL h = nullptr;
            if (e.kind == ENTRY::DATA)
            {
                h = GlobalAlloc(GMEM_MOVEABLE, e.bytes.size());
                memcpy(GlobalLock(h), e.bytes.data(), e.bytes.size());
                GlobalUnlock(h);
            }
            else if (e.kind == ENTRY::EMPTYBLOCK)
            {
                h = GlobalAlloc(GMEM_MOVEABLE, 0);
            }
            m_blocks.push_back(h);
        }
    }
    ~CFakeClipboard() override
    {
        for (HGLOBAL h : m_blocks)
            if (h)
                GlobalFree(h);
    }

    BOOL Open(HWND) override
    {
        if (!m_bOpens)
            return FALSE;
        ++m_nOpenCount;
        return TRUE;
    }
    void Close() override { --m_nOpenCount; }
    UINT EnumFormats(UINT nFormat) override
    {
        EXPECT_EQ(1, m_nOpenCount) << "enumerated while closed";
        size_t i = 0;
        if (nFormat != 0)
        {
            while (i < m_entries.size() && m_entries[i].id != nFormat)
                ++i;
            ++i;
        }
        return i < m_entries.size() ? m_entries[i].id : 0;
    }
    int GetFormatName(UINT nFormat, LPWSTR pszName, int cchMax) override
    {
        for (const ENTRY& e : m_entries)
            if (e.id == nFormat && e.name[0])
            {
                wcsncpy(pszName, e.name, static_cast<size_t>(cchMax));
                return static_cast<int>(wcslen(e.name));
            }
        return 0;
    }
    HANDLE GetData(UINT nFormat) override
    {
        EXPECT_EQ(1, m_nOpenCount) << "data read while closed";
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].id == nFormat)
                return m_blocks[i];
        return nullptr;
    }

    int m_nOpenCount = 0;

private:
    std::vector<ENTRY> m_entries;
    std::vector<HGLOBAL> m_blocks;
    BOOL m_bOpens;
};

// An expected record: data NULL means a placeholder.
struct RECORD
{
    UINT id;
    const wchar_t* name;
    bool placeholder;
    Bytes bytes;
};

RECORD Sent(UINT id, const wchar_t* name, Bytes b) { return {id, name, false, b}; }
RECORD Placeholder(UINT id, const wchar_t* name) { return {id, name, true, {}}; }

struct CASE
{
    const char* what;
    std::vector<ENTRY> clipboard;
    BOOL bDelay;
    int nNoDelayText;
    CClipboardCapture::RESULT result;
    std::vector<RECORD> records;
    std::vector<std::wstring> seen;
};

std::string Narrow(const wchar_t* s)
{
    std::string out;
    for (; *s; ++s)
        out += *s < 128 ? static_cast<char>(*s) : '?';
    return out;
}

const CClipboardCapture::RESULT DONE = CClipboardCapture::CAPTURE_DONE;
const CClipboardCapture::RESULT OWN = CClipboardCapture::CAPTURE_OWN_CONTENTS;

std::vector<CASE> Cases()
{
    const Bytes abc = Wide(L"abc");
    return {
        {"text copy with defaults: only the small Unicode text travels",
         {Data(CF_UNICODETEXT, abc), Data(CF_LOCALE, Lcid(0x411)), Data(CF_TEXT, Raw("abc", 4)),
          Data(CF_OEMTEXT, Raw("abc", 4))},
         TRUE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", abc)},
         {}},
        {"Unicode text of exactly NoDelayText KB travels at once",
         {Data(CF_UNICODETEXT, Filled(4096))},
         TRUE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Filled(4096))},
         {}},
        {"one byte more becomes a placeholder",
         {Data(CF_UNICODETEXT, Filled(4097))},
         TRUE,
         4,
         DONE,
         {Placeholder(CF_UNICODETEXT, L"CF_UNICODETEXT")},
         {}},
        {"NoDelayText 0 sends no text at once",
         {Data(CF_UNICODETEXT, abc)},
         TRUE,
         0,
         DONE,
         {Placeholder(CF_UNICODETEXT, L"CF_UNICODETEXT")},
         {}},
        {"a negative NoDelayText sends no text at once",
         {Data(CF_UNICODETEXT, abc)},
         TRUE,
         -1,
         DONE,
         {Placeholder(CF_UNICODETEXT, L"CF_UNICODETEXT")},
         {}},
        {"NoDelayText of 4 GB does not wrap to a zero limit",
         {Data(CF_UNICODETEXT, abc)},
         TRUE,
         4194304,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", abc)},
         {}},
        {"the largest NoDelayText does not wrap to a negative limit",
         {Data(CF_UNICODETEXT, abc)},
         TRUE,
         0x7FFFFFFF,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", abc)},
         {}},
        {"delayed: ANSI text alone is a placeholder of its own format",
         {Data(CF_TEXT, Raw("abc", 4))},
         TRUE,
         4,
         DONE,
         {Placeholder(CF_TEXT, L"CF_TEXT")},
         {}},
        {"delayed: every other format is a placeholder, in clipboard order",
         {Data(CF_DIB, Filled(40)), Data(kHtml, Filled(10), L"HTML Format"), Data(CF_WAVE, Filled(3)),
          Data(CF_TIFF, Filled(5)), Data(CF_RIFF, Filled(6))},
         TRUE,
         4,
         DONE,
         {Placeholder(CF_DIB, L"CF_DIB"), Placeholder(kHtml, L"HTML Format"), Placeholder(CF_WAVE, L"CF_WAVE"),
          Placeholder(CF_TIFF, L"CF_TIFF"), Placeholder(CF_RIFF, L"CF_RIFF")},
         {L"HTML Format"}},
        {"not delayed: every chosen format with its data, ANSI text dropped beside Unicode",
         {Data(CF_TEXT, Raw("abc", 4)), Data(CF_DIB, Filled(40)), Data(CF_UNICODETEXT, Filled(5000)),
          Data(kPng, Filled(7), L"PNG")},
         FALSE,
         4,
         DONE,
         {Sent(CF_DIB, L"CF_DIB", Filled(40)), Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Filled(5000)),
          Sent(kPng, L"PNG", Filled(7))},
         {L"PNG"}},
        {"not delayed: ANSI text in the locale's code page (Russian, 1251)",
         {Data(CF_TEXT, Raw("\xC0", 2)), Data(CF_LOCALE, Lcid(0x419))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"\x0410"))},
         {}},
        {"not delayed: ANSI text of a Japanese locale, 932",
         {Data(CF_TEXT, Raw("\x93\xfa\x96\x7b", 5)), Data(CF_LOCALE, Lcid(0x411))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"\x65E5\x672C"))},
         {}},
        {"not delayed: ANSI text without a locale uses the system code page (932 here)",
         {Data(CF_TEXT, Raw("\xC0", 2))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"\xFF80"))},
         {}},
        {"a locale block shorter than an LCID is not read",
         {Data(CF_TEXT, Raw("\xC0", 2)), Data(CF_LOCALE, Raw("\x19\x04", 2))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"\xFF80"))},
         {}},
        {"an unknown locale leaves the system code page",
         {Data(CF_TEXT, Raw("\xC0", 2)), Data(CF_LOCALE, Lcid(0x7FFF0000))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"\xFF80"))},
         {}},
        {"ANSI text ends at its first NUL; what follows in the block is not sent",
         {Data(CF_TEXT, Raw("ab\0zzzz", 7))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"ab"))},
         {}},
        {"ANSI text without a NUL still gets a terminated Unicode text",
         {Data(CF_TEXT, Raw("ab", 2))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L"ab"))},
         {}},
        {"empty ANSI text is an empty Unicode text",
         {Data(CF_TEXT, Raw("\0", 1))},
         FALSE,
         4,
         DONE,
         {Sent(CF_UNICODETEXT, L"CF_UNICODETEXT", Wide(L""))},
         {}},
        {"registered formats: the send list decides, without regard to case; all are seen",
         {Data(kHtml, Filled(3), L"html FORMAT"), Data(kOther, Filled(3), L"Private Stuff"),
          Data(kPng, Filled(3), L"PNG")},
         FALSE,
         4,
         DONE,
         {Sent(kHtml, L"html FORMAT", Filled(3)), Sent(kPng, L"PNG", Filled(3))},
         {L"html FORMAT", L"Private Stuff", L"PNG"}},
        {"a registered format whose name can't be read is seen with an empty name",
         {Data(kNameless, Filled(3))},
         FALSE,
         4,
         DONE,
         {},
         {L""}},
        {"formats that never travel give an empty set",
         {NoData(CF_BITMAP), Data(CF_HDROP, Filled(20)), Data(CF_OEMTEXT, Raw("a", 2))},
         FALSE,
         4,
         DONE,
         {},
         {}},
        {"an empty clipboard gives an empty set", {}, TRUE, 4, DONE, {}, {}},
        {"no data or an empty block: no record, the others still travel",
         {NoData(CF_DIB), EmptyBlock(CF_WAVE), Data(CF_TIFF, Filled(9)), NoData(CF_UNICODETEXT), NoData(CF_TEXT)},
         FALSE,
         4,
         DONE,
         {Sent(CF_TIFF, L"CF_TIFF", Filled(9))},
         {}},
        {"delayed: Unicode text without data gets no record", {NoData(CF_UNICODETEXT)}, TRUE, 4, DONE, {}, {}},
        {"the internal format first: nothing is made",
         {Data(kInternal, Filled(1), L"LarkspireBrinmoor2Internal"), Data(CF_UNICODETEXT, abc)},
         TRUE,
         4,
         OWN,
         {},
         {}},
        {"the internal format last: nothing is made",
         {Data(kHtml, Filled(3), L"HTML Format"), Data(CF_UNICODETEXT, abc),
          Data(kInternal, Filled(1), L"LarkspireBrinmoor2Internal")},
         FALSE,
         4,
         OWN,
         {},
         {}},
    };
}

TEST(CaptureDecisions, RecordsForEachClipboard)
{
    CStringArray arrSendFormats;
    arrSendFormats.Add(L"HTML Format");
    arrSendFormats.Add(L"png");
    for (const CASE& c : Cases())
    {
        SCOPED_TRACE(c.what);
        CFakeClipboard clipboard(c.clipboard);
        CClipboardCapture capture(clipboard);
        CClipboardCapture::RESULT result =
            capture.Capture(nullptr, kInternal, c.bDelay, c.nNoDelayText, arrSendFormats);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(0, clipboard.m_nOpenCount) << "the clipboard was left open";

        if (c.result == OWN)
        {
            EXPECT_TRUE(capture.m_pRecords.IsNull());
            EXPECT_EQ(0, capture.m_arrSeenFormats.GetSize());
            continue;
        }
        ASSERT_FALSE(capture.m_pRecords.IsNull());
        CBDFArray& set = *capture.m_pRecords;
        ASSERT_EQ(static_cast<INT_PTR>(c.records.size()), set.GetCount());
        for (size_t i = 0; i < c.records.size(); ++i)
        {
            const RECORD& want = c.records[i];
            const CBDF* got = set.GetAt(static_cast<INT_PTR>(i));
            SCOPED_TRACE("record " + std::to_string(i) + " " + Narrow(want.name));
            EXPECT_EQ(want.id, got->m_nFormat);
            EXPECT_STREQ(want.name, got->m_strName.GetString());
            EXPECT_EQ(nullptr, got->m_hGlobal);
            if (want.placeholder)
            {
                EXPECT_EQ(0u, got->m_nSize);
                EXPECT_EQ(nullptr, got->m_pData);
            }
            else
            {
                ASSERT_EQ(want.bytes.size(), got->m_nSize);
                ASSERT_NE(nullptr, got->m_pData);
                EXPECT_EQ(want.bytes, Bytes(got->m_pData, got->m_pData + got->m_nSize));
            }
        }
        ASSERT_EQ(static_cast<INT_PTR>(c.seen.size()), capture.m_arrSeenFormats.GetSize());
        for (size_t i = 0; i < c.seen.size(); ++i)
            EXPECT_STREQ(c.seen[i].c_str(), capture.m_arrSeenFormats[static_cast<INT_PTR>(i)].GetString());
    }
}

TEST(CaptureDecisions, ClipboardHeldElsewhereDoesNothing)
{
    CFakeClipboard clipboard({Data(CF_UNICODETEXT, Wide(L"abc"))}, FALSE);
    CClipboardCapture capture(clipboard);
    CStringArray arrSendFormats;
    EXPECT_EQ(CClipboardCapture::CAPTURE_OPEN_FAILED, capture.Capture(nullptr, kInternal, TRUE, 4, arrSendFormats));
    EXPECT_EQ(0, clipboard.m_nOpenCount);
    EXPECT_TRUE(capture.m_pRecords.IsNull());
}

TEST(CaptureDecisions, EmptySendListSendsNoRegisteredFormat)
{
    CFakeClipboard clipboard({Data(kHtml, Filled(3), L"HTML Format")});
    CClipboardCapture capture(clipboard);
    CStringArray arrSendFormats;
    ASSERT_EQ(DONE, capture.Capture(nullptr, kInternal, FALSE, 4, arrSendFormats));
    EXPECT_EQ(0, capture.m_pRecords->GetCount());
    ASSERT_EQ(1, capture.m_arrSeenFormats.GetSize());
}

// Memory running out while the set is built: no partial set, the clipboard
// closed again.
TEST(CaptureDecisions, MemoryExhaustionLeavesNoSet)
{
    class CExhaustedClipboard : public CFakeClipboard
    {
    public:
        using CFakeClipboard::CFakeClipboard;
        HANDLE GetData(UINT nFormat) override
        {
            if (nFormat == CF_DIB)
                throw CMemoryException();
            return CFakeClipboard::GetData(nFormat);
        }
    };
    CExhaustedClipboard clipboard(
        {Data(CF_UNICODETEXT, Wide(L"abc")), Data(CF_DIB, Filled(8)), Data(kPng, Filled(3), L"PNG")});
    CClipboardCapture capture(clipboard);
    CStringArray arrSendFormats;
    arrSendFormats.Add(L"PNG");
    EXPECT_EQ(CClipboardCapture::CAPTURE_NO_MEMORY, capture.Capture(nullptr, kInternal, FALSE, 4, arrSendFormats));
    EXPECT_TRUE(capture.m_pRecords.IsNull());
    EXPECT_EQ(0, clipboard.m_nOpenCount);
}

}  // namespace
