// Helper of the delayed-rendering benchmark and two-computer tests: what must
// run on the Windows side.
//
//   delayed_tool paste <format> [file]
//       opens the clipboard and takes the format as a pasting program does;
//       prints the seconds from the request to the data in hand and the
//       size; writes the bytes to file. Exit 1 when no data came.
//   delayed_tool put <format> <file>
//       empties the clipboard, then puts the file's bytes on it; prints the
//       seconds that opening, emptying, SetClipboardData and closing took,
//       and those of SetClipboardData alone
//   delayed_tool formats
//       the names of the formats on the clipboard, one a line, without
//       asking for any data (so no placeholder is fetched)
//   delayed_tool owner
//       "window" while the clipboard has an owner window that exists, else
//       "none"
//   delayed_tool keystream <MB>
//       XOR rate of this build's connection keystream (seeded as a
//       connection's first key is), MB/s
//
// <format> is CF_UNICODETEXT, CF_TEXT, CF_DIB, CF_RIFF, CF_WAVE, a number,
// or the name of a registered format.

#include "afx/Afx.h"
#include "afx/CGlobalLockGuard.h"
#include "afx/COpenedClipboard.h"
#include "bench/BenchCommon.h"
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

UINT FormatId(const wchar_t* pszName)
{
    static const struct
    {
        UINT nId;
        const wchar_t* pszName;
    } standard[] = {
        {CF_TEXT, L"CF_TEXT"},
        {CF_DIB, L"CF_DIB"},
        {CF_RIFF, L"CF_RIFF"},
        {CF_WAVE, L"CF_WAVE"},
        {CF_UNICODETEXT, L"CF_UNICODETEXT"},
        {CF_TIFF, L"CF_TIFF"},
    };
    for (auto& s : standard)
        if (wcscmp(s.pszName, pszName) == 0)
            return s.nId;
    wchar_t* pEnd = nullptr;
    unsigned long n = wcstoul(pszName, &pEnd, 0);
    if (*pszName != 0 && pEnd != nullptr && *pEnd == 0)
        return UINT(n);
    return ::RegisterClipboardFormatW(pszName);
}

bool OpenClipboardSoon(COpenedClipboard& clipboard)
{
    for (int i = 0; i < 200; ++i)
    {
        if (clipboard.Open(nullptr))
            return true;
        ::Sleep(10);
    }
    return false;
}

int Paste(const wchar_t* pszFormat, const wchar_t* pszFile)
{
    UINT nFormat = FormatId(pszFormat);
    COpenedClipboard clipboard;
    if (!OpenClipboardSoon(clipboard))
    {
        fwprintf(stderr, L"delayed_tool: can't open the clipboard\n");
        return 1;
    }
    double t0 = BenchNow();
    HANDLE h = ::GetClipboardData(nFormat);
    CGlobalLockGuard lock(h, h != nullptr ? ::GlobalLock(h) : nullptr);
    const BYTE* p = static_cast<const BYTE*>(lock.Get());
    SIZE_T nSize = h != nullptr ? ::GlobalSize(h) : 0;
    double t1 = BenchNow();
    int rc = 0;
    if (h == nullptr || (p == nullptr && nSize != 0))
    {
        fwprintf(stderr, L"delayed_tool: no data for %ls\n", pszFormat);
        rc = 1;
    }
    else
    {
        if (pszFile != nullptr)
        {
            FILE* f = _wfopen(pszFile, L"wb");
            if (f == nullptr || fwrite(p, 1, nSize, f) != nSize)
                rc = 1;
            if (f != nullptr)
                fclose(f);
        }
        printf("%.6f %llu\n", t1 - t0, static_cast<unsigned long long>(nSize));
    }
    if (rc != 0)
        printf("%.6f none\n", t1 - t0);
    return rc;
}

int Put(const wchar_t* pszFormat, const wchar_t* pszFile)
{
    UINT nFormat = FormatId(pszFormat);
    FILE* f = _wfopen(pszFile, L"rb");
    if (f == nullptr)
        return 1;
    fseek(f, 0, SEEK_END);
    long nSize = ftell(f);
    fseek(f, 0, SEEK_SET);
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, SIZE_T(nSize));
    bool bRead = false;
    {
        CGlobalLockGuard lock(h, h != nullptr ? ::GlobalLock(h) : nullptr);
        bRead = lock.Get() != nullptr && fread(lock.Get(), 1, size_t(nSize), f) == size_t(nSize);
    }
    fclose(f);
    if (!bRead)
        return 1;
    // What the clipboard held is freed first, untimed: the figure is that of
    // a set into an empty clipboard.
    {
        COpenedClipboard clipboard;
        if (!OpenClipboardSoon(clipboard))
            return 1;
        ::EmptyClipboard();
    }
    double t0 = BenchNow();
    COpenedClipboard clipboard;
    if (!OpenClipboardSoon(clipboard))
        return 1;
    ::EmptyClipboard();
    double tSet = BenchNow();
    bool bSet = ::SetClipboardData(nFormat, h) != nullptr;
    double tSetEnd = BenchNow();
    clipboard.Close();
    double t1 = BenchNow();
    if (!bSet)
        return 1;
    printf("%.6f %.6f\n", t1 - t0, tSetEnd - tSet);
    return 0;
}

int Formats()
{
    COpenedClipboard clipboard;
    if (!OpenClipboardSoon(clipboard))
        return 1;
    for (UINT n = ::EnumClipboardFormats(0); n != 0; n = ::EnumClipboardFormats(n))
    {
        wchar_t szName[256] = L"";
        if (::GetClipboardFormatNameW(n, szName, 256) <= 0)
            swprintf(szName, 256, L"%u", n);
        char sz[1024];
        ::WideCharToMultiByte(CP_UTF8, 0, szName, -1, sz, sizeof(sz), nullptr, nullptr);
        printf("%s\n", sz);
    }
    return 0;
}

int Owner()
{
    HWND h = ::GetClipboardOwner();
    printf(h != nullptr && ::IsWindow(h) ? "window\n" : "none\n");
    return 0;
}

int Keystream(int nMB)
{
    printf("%.1f\n", KeystreamRate(nMB));
    return 0;
}

int Usage()
{
    fwprintf(stderr,
             L"usage: delayed_tool paste <format> [file] | put <format> <file> | formats | owner | keystream <MB>\n");
    return 2;
}

}  // namespace

// Arguments as UTF-16: format names and paths pass whole.
int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    std::wstring cmd = argv[1];
    if (cmd == L"paste" && (argc == 3 || argc == 4))
        return Paste(argv[2], argc == 4 ? argv[3] : nullptr);
    if (cmd == L"put" && argc == 4)
        return Put(argv[2], argv[3]);
    if (cmd == L"formats" && argc == 2)
        return Formats();
    if (cmd == L"owner" && argc == 2)
        return Owner();
    if (cmd == L"keystream" && argc == 3)
        return Keystream(_wtoi(argv[2]));
    return Usage();
}
