// clipboard: sets, lists and reads clipboard formats, for tests and people.
//
//   clipboard list
//       one line per format in clipboard order: id, name, size in bytes
//       (size -1 when the format has no data block)
//   clipboard get <format> [file]
//       the format's bytes into file; without file, text formats are printed
//       as UTF-8 text and others as hex
//   clipboard set <format> <value> [<format> <value>...]
//       empties the clipboard and puts all the given formats on it at once
//   clipboard settext <text>
//       the same as: set CF_UNICODETEXT <text>
//   clipboard empty
//       empties the clipboard
//   clipboard burst <count> <interval ms> <text>
//       sets CF_UNICODETEXT count times, "<text> <n>", interval ms apart
//
// <format> is a standard name (CF_TEXT, CF_UNICODETEXT, CF_LOCALE, ...), a
// number, or the name of a registered format (registered when needed).
// <value> is "hex:0a1b..." for exact bytes, "file:PATH" for a file's bytes,
// "textfile:PATH" for the UTF-8 text in a file (a command line passes only
// ASCII intact when the host has no UTF-8 locale), or else text: CF_UNICODETEXT as UTF-16 with
// its terminator, CF_TEXT/CF_OEMTEXT in the ANSI/OEM code page with its
// terminator, CF_LOCALE as a number (the LCID, 4 bytes), anything else as
// UTF-8 without a terminator.
//
// Exit code 0 on success, 1 on a failure (with a message on stderr), 2 on a
// usage error.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "afx/CGlobalLockGuard.h"
#include "afx/COpenedClipboard.h"

namespace {

struct STANDARDFORMAT
{
    UINT id;
    const wchar_t* name;
};

const STANDARDFORMAT StandardFormats[] = {
    {1, L"CF_TEXT"},    {2, L"CF_BITMAP"},  {3, L"CF_METAFILEPICT"}, {4, L"CF_SYLK"},         {5, L"CF_DIF"},
    {6, L"CF_TIFF"},    {7, L"CF_OEMTEXT"}, {8, L"CF_DIB"},          {9, L"CF_PALETTE"},      {10, L"CF_PENDATA"},
    {11, L"CF_RIFF"},   {12, L"CF_WAVE"},   {13, L"CF_UNICODETEXT"}, {14, L"CF_ENHMETAFILE"}, {15, L"CF_HDROP"},
    {16, L"CF_LOCALE"}, {17, L"CF_DIBV5"},
};

// Handles, not memory blocks: GlobalSize means nothing for these.
bool IsHandleFormat(UINT id)
{
    return id == CF_BITMAP || id == CF_METAFILEPICT || id == CF_PALETTE || id == CF_ENHMETAFILE || id == CF_DSPBITMAP ||
           id == CF_DSPENHMETAFILE || id == CF_DSPMETAFILEPICT;
}

std::wstring FormatName(UINT id)
{
    for (const STANDARDFORMAT& f : StandardFormats)
        if (f.id == id)
            return f.name;
    wchar_t buf[0x8000] = {};
    if (GetClipboardFormatNameW(id, buf, 0x8000) > 0)
        return buf;
    return L"";
}

bool ParseNumber(const wchar_t* s, unsigned long& value)
{
    if (!*s)
        return false;
    wchar_t* end = nullptr;
    value = wcstoul(s, &end, 0);
    return end && *end == 0;
}

UINT FormatId(const wchar_t* name)
{
    for (const STANDARDFORMAT& f : StandardFormats)
        if (_wcsicmp(f.name, name) == 0)
            return f.id;
    unsigned long n;
    if (ParseNumber(name, n))
        return static_cast<UINT>(n);
    return RegisterClipboardFormatW(name);
}

void PrintUtf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    fwrite(out.data(), 1, out.size(), stdout);
}

int Fail(const wchar_t* what)
{
    DWORD err = GetLastError();
    fwprintf(stderr, L"clipboard: %ls (error %lu)\n", what, err);
    return 1;
}

// Another program may hold the clipboard for a moment: try for about a second.
bool Open(COpenedClipboard& clipboard)
{
    for (int i = 0; i < 50; ++i)
    {
        if (clipboard.Open(nullptr))
            return true;
        Sleep(20);
    }
    return false;
}

bool ReadFileBytes(const wchar_t* path, std::vector<unsigned char>& bytes)
{
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return true;
}

bool ParseHex(const wchar_t* s, std::vector<unsigned char>& bytes)
{
    size_t len = wcslen(s);
    if (len % 2)
        return false;
    for (size_t i = 0; i < len; i += 2)
    {
        wchar_t pair[3] = {s[i], s[i + 1], 0};
        wchar_t* end = nullptr;
        unsigned long v = wcstoul(pair, &end, 16);
        if (!end || *end)
            return false;
        bytes.push_back(static_cast<unsigned char>(v));
    }
    return true;
}

// The bytes that <value> stands for in format id; false on a bad value.
bool ValueBytes(UINT id, const wchar_t* value, std::vector<unsigned char>& bytes, bool plainText = false)
{
    if (!plainText)
    {
        if (wcsncmp(value, L"hex:", 4) == 0)
            return ParseHex(value + 4, bytes) && !bytes.empty();
        if (wcsncmp(value, L"file:", 5) == 0)
            return ReadFileBytes(value + 5, bytes) && !bytes.empty();
        if (wcsncmp(value, L"textfile:", 9) == 0)
        {
            std::vector<unsigned char> utf8;
            if (!ReadFileBytes(value + 9, utf8))
                return false;
            int n = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(utf8.data()),
                                        static_cast<int>(utf8.size()), nullptr, 0);
            std::wstring text(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(utf8.data()), static_cast<int>(utf8.size()),
                                &text[0], n);
            return ValueBytes(id, text.c_str(), bytes, true);
        }
    }
    if (id == CF_UNICODETEXT)
    {
        size_t n = (wcslen(value) + 1) * sizeof(wchar_t);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(value);
        bytes.assign(p, p + n);
        return true;
    }
    if (id == CF_TEXT || id == CF_OEMTEXT)
    {
        UINT cp = id == CF_TEXT ? CP_ACP : CP_OEMCP;
        int n = WideCharToMultiByte(cp, 0, value, -1, nullptr, 0, nullptr, nullptr);
        if (n <= 0)
            return false;
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(cp, 0, value, -1, reinterpret_cast<char*>(bytes.data()), n, nullptr, nullptr);
        return true;
    }
    if (id == CF_LOCALE)
    {
        unsigned long lcid;
        if (!ParseNumber(value, lcid))
            return false;
        DWORD v = static_cast<DWORD>(lcid);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&v);
        bytes.assign(p, p + sizeof v);
        return true;
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    bytes.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, value, -1, reinterpret_cast<char*>(bytes.data()), n, nullptr, nullptr);
    bytes.pop_back();  // no terminator
    return true;
}

// Puts one block on the open clipboard; the clipboard owns it afterwards.
bool PutBlock(UINT id, const std::vector<unsigned char>& bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!h)
        return false;
    if (!bytes.empty())
    {
        CGlobalLockGuard lock(h, GlobalLock(h));
        if (!lock.Get())
        {
            GlobalFree(h);
            return false;
        }
        memcpy(lock.Get(), bytes.data(), bytes.size());
    }
    if (!SetClipboardData(id, h))
    {
        GlobalFree(h);
        return false;
    }
    return true;
}

int CmdList()
{
    COpenedClipboard clipboard;
    if (!Open(clipboard))
        return Fail(L"can't open the clipboard");
    UINT id = 0;
    while ((id = EnumClipboardFormats(id)) != 0)
    {
        long long size = -1;
        if (!IsHandleFormat(id))
        {
            HANDLE h = GetClipboardData(id);
            if (h)
                size = static_cast<long long>(GlobalSize(h));
        }
        std::wstring line = std::to_wstring(id) + L"\t" + FormatName(id) + L"\t" + std::to_wstring(size) + L"\n";
        PrintUtf8(line);
    }
    return 0;
}

int CmdGet(const wchar_t* format, const wchar_t* path)
{
    UINT id = FormatId(format);
    if (!id || IsHandleFormat(id))
    {
        fwprintf(stderr, L"clipboard: format %ls can't be read as bytes\n", format);
        return 2;
    }
    COpenedClipboard clipboard;
    if (!Open(clipboard))
        return Fail(L"can't open the clipboard");
    HANDLE h = GetClipboardData(id);
    if (!h)
    {
        fwprintf(stderr, L"clipboard: no data for %ls\n", format);
        return 1;
    }
    SIZE_T size = GlobalSize(h);
    std::vector<unsigned char> bytes(size);
    if (size)
    {
        CGlobalLockGuard lock(h, GlobalLock(h));
        if (!lock.Get())
            return Fail(L"can't lock the data");
        memcpy(bytes.data(), lock.Get(), size);
    }
    // The clipboard is given back before the (possibly slow) output.
    clipboard.Close();

    if (path)
    {
        FILE* f = _wfopen(path, L"wb");
        if (!f)
            return Fail(L"can't write the file");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return 0;
    }
    if (id == CF_UNICODETEXT)
    {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        text.resize(wcsnlen(text.c_str(), text.size()));
        PrintUtf8(text);
    }
    else if (id == CF_TEXT || id == CF_OEMTEXT)
    {
        std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        text.resize(strnlen(text.c_str(), text.size()));
        UINT cp = id == CF_TEXT ? CP_ACP : CP_OEMCP;
        int n = MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring w(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
        PrintUtf8(w);
    }
    else
    {
        for (unsigned char b : bytes)
            printf("%02x", b);
    }
    printf("\n");
    return 0;
}

int CmdSet(int argc, wchar_t** argv, bool plainText = false)
{
    if (argc < 2 || argc % 2)
        return 2;
    std::vector<std::pair<UINT, std::vector<unsigned char>>> blocks;
    for (int i = 0; i < argc; i += 2)
    {
        UINT id = FormatId(argv[i]);
        std::vector<unsigned char> bytes;
        if (!id || IsHandleFormat(id) || !ValueBytes(id, argv[i + 1], bytes, plainText))
        {
            fwprintf(stderr, L"clipboard: bad format or value: %ls %ls\n", argv[i], argv[i + 1]);
            return 2;
        }
        blocks.emplace_back(id, std::move(bytes));
    }
    COpenedClipboard clipboard;
    if (!Open(clipboard))
        return Fail(L"can't open the clipboard");
    if (!EmptyClipboard())
        return Fail(L"can't empty the clipboard");
    for (const auto& b : blocks)
    {
        if (!PutBlock(b.first, b.second))
            return Fail(L"can't put the data on the clipboard");
    }
    return 0;
}

int CmdEmpty()
{
    COpenedClipboard clipboard;
    if (!Open(clipboard))
        return Fail(L"can't open the clipboard");
    return EmptyClipboard() ? 0 : Fail(L"can't empty the clipboard");
}

int CmdBurst(const wchar_t* count, const wchar_t* interval, const wchar_t* text)
{
    unsigned long n, ms;
    if (!ParseNumber(count, n) || !ParseNumber(interval, ms))
        return 2;
    for (unsigned long i = 1; i <= n; ++i)
    {
        if (i > 1)
            Sleep(ms);
        std::wstring value = std::wstring(text) + L" " + std::to_wstring(i);
        std::vector<unsigned char> bytes;
        ValueBytes(CF_UNICODETEXT, value.c_str(), bytes, true);
        COpenedClipboard clipboard;
        if (!Open(clipboard))
            return Fail(L"can't open the clipboard");
        if (!EmptyClipboard() || !PutBlock(CF_UNICODETEXT, bytes))
            return Fail(L"can't put the data on the clipboard");
    }
    return 0;
}

int Usage()
{
    fwprintf(stderr, L"usage: clipboard list\n"
                     L"       clipboard get <format> [file]\n"
                     L"       clipboard set <format> <value> [<format> <value>...]\n"
                     L"       clipboard settext <text>\n"
                     L"       clipboard empty\n"
                     L"       clipboard burst <count> <interval ms> <text>\n"
                     L"<value>: hex:<bytes> | file:<path> | textfile:<path> | text\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // Bytes out exactly as written: UTF-8 text and data files.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2)
        return Usage();
    std::wstring cmd = argv[1];
    int rc = 2;
    if (cmd == L"list" && argc == 2)
        rc = CmdList();
    else if (cmd == L"get" && (argc == 3 || argc == 4))
        rc = CmdGet(argv[2], argc == 4 ? argv[3] : nullptr);
    else if (cmd == L"set")
        rc = CmdSet(argc - 2, argv + 2);
    else if (cmd == L"settext" && argc == 3)
    {
        wchar_t fmt[] = L"CF_UNICODETEXT";
        wchar_t* args[] = {fmt, argv[2]};
        rc = CmdSet(2, args, true);
    }
    else if (cmd == L"empty" && argc == 2)
        rc = CmdEmpty();
    else if (cmd == L"burst" && argc == 5)
        rc = CmdBurst(argv[2], argv[3], argv[4]);
    return rc == 2 ? Usage() : rc;
}
