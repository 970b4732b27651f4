// Helper of net_bench.sh: the pieces of the network figures that must run on
// the Windows side of one build. Times are QueryPerformanceCounter seconds,
// comparable between processes on one machine.
//
//   net_bench_tool keystream <MB>     keystream XOR rate of this build, MB/s
//   net_bench_tool tcp <MB>           plain loopback TCP throughput, MB/s
//   net_bench_tool stream <MB>        the enciphered stream between two
//                                     threads of one process, MB/s
//   net_bench_tool set <format> <file> | settext <text>
//                                     puts the bytes (or text) on the
//                                     clipboard; prints the time it was done
//   net_bench_tool wait <format> [<text>] <timeout ms>
//                                     prints "ready", then, once the
//                                     program's internal marker and the format
//                                     (with that text) are on the clipboard,
//                                     the time at which this tool holds the
//                                     format's data, and its size; exit 1 on
//                                     time-out
//   net_bench_tool record <format>    seconds of the program's copy of the
//                                     clipboard's block into a fresh record
//                                     (pages touched beside it), and of a
//                                     plain memcpy into fresh memory

#include "afx/Afx.h"
#include "afx/CGlobalLockGuard.h"
#include "afx/COpenedClipboard.h"
#include "bench/BenchCommon.h"
#include "net/CPageTouchThread.h"
#include "net/CSocketBuffer.h"
#include <stdio.h>
#include <string.h>
#include <thread>
#include <vector>

namespace {

UINT FormatId(const char* pszName)
{
    if (strcmp(pszName, "CF_UNICODETEXT") == 0)
        return CF_UNICODETEXT;
    if (strcmp(pszName, "CF_WAVE") == 0)
        return CF_WAVE;
    if (strcmp(pszName, "CF_RIFF") == 0)
        return CF_RIFF;
    wchar_t w[256];
    ::MultiByteToWideChar(CP_UTF8, 0, pszName, -1, w, 256);
    return ::RegisterClipboardFormatW(w);
}

int Keystream(int nMB)
{
    printf("%.1f\n", KeystreamRate(nMB));
    return 0;
}

int Tcp(int nMB)
{
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET l = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int n = sizeof(a);
    ::bind(l, (sockaddr*)&a, sizeof(a));
    ::listen(l, 1);
    ::getsockname(l, (sockaddr*)&a, &n);
    size_t nTotal = size_t(nMB) << 20;
    std::thread sender([&] {
        SOCKET c = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(c, (sockaddr*)&a, sizeof(a));
        std::vector<char> buf(64 * 1024, 'x');
        for (size_t done = 0; done < nTotal;)
        {
            int k = ::send(c, buf.data(), int(buf.size()), 0);
            if (k <= 0)
                break;
            done += k;
        }
        ::closesocket(c);
    });
    SOCKET s = ::accept(l, nullptr, nullptr);
    std::vector<char> buf(1 << 20);
    double t0 = BenchNow();
    size_t got = 0;
    for (;;)
    {
        int k = ::recv(s, buf.data(), int(buf.size()), 0);
        if (k <= 0)
            break;
        got += k;
    }
    double t = BenchNow() - t0;
    sender.join();
    printf("%.1f\n", double(got) / (1 << 20) / t);
    return got == nTotal ? 0 : 1;
}

// The enciphered stream of this build between two threads of one process.
int Stream(int nMB)
{
    AfxSocketInit();
    CSocket listener;
    listener.Create(0, SOCK_STREAM, AFX_SOCKET_ALL_EVENTS, L"127.0.0.1");
    listener.Listen(1);
    sockaddr_in a = {};
    int n = sizeof(a);
    listener.GetSockName((SOCKADDR*)&a, &n);
    CSocketX client, server;
    client.Create();
    std::thread t([&] { listener.Accept(server.m_socket); });
    client.Connect(L"127.0.0.1", ntohs(a.sin_port));
    t.join();
    CByteArray key;
    key.SetSize(32);
    CSocketBuffer out(&client), in(&server);
    out.SetKey(nullptr, key);
    in.SetKey(nullptr, key);
    DWORD nTotal = DWORD(nMB) << 20;
    std::vector<BYTE> src(nTotal, 1), dst(nTotal);
    double t0 = BenchNow();
    std::thread sender([&] { out.SendBytes(src.data(), nTotal); });
    in.ReceiveBytes(nTotal, dst.data());
    double tEnd = BenchNow();
    sender.join();
    printf("%.1f\n", double(nMB) / (tEnd - t0));
    return 0;
}

int Set(UINT nFormat, const void* pData, size_t nBytes)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, nBytes);
    if (h == nullptr)
        return 1;
    {
        CGlobalLockGuard lock(h, ::GlobalLock(h));
        memcpy(lock.Get(), pData, nBytes);
    }
    COpenedClipboard clipboard;
    while (!clipboard.Open(nullptr))
        ::Sleep(1);
    ::EmptyClipboard();
    ::SetClipboardData(nFormat, h);
    clipboard.Close();
    printf("%.6f\n", BenchNow());
    return 0;
}

int SetFile(const char* pszFormat, const char* pszPath)
{
    FILE* f = fopen(pszPath, "rb");
    if (f == nullptr)
        return 1;
    std::vector<BYTE> data;
    BYTE buf[1 << 16];
    size_t k;
    while ((k = fread(buf, 1, sizeof(buf), f)) > 0)
        data.insert(data.end(), buf, buf + k);
    fclose(f);
    return Set(FormatId(pszFormat), data.data(), data.size());
}

int SetText(const char* pszText)
{
    wchar_t w[1024];
    int n = ::MultiByteToWideChar(CP_UTF8, 0, pszText, -1, w, 1024);
    return Set(CF_UNICODETEXT, w, size_t(n) * 2);
}

// Opens the clipboard, retrying while another program holds it.
bool OpenClipboardSoon(COpenedClipboard& clipboard, double tEnd)
{
    while (!clipboard.Open(nullptr))
    {
        if (BenchNow() >= tEnd)
            return false;
        ::Sleep(1);
    }
    return true;
}

// Waits for the marker and the format, then takes the data as a pasting
// program does: the time is taken once the data is in hand (locked), not when
// the format is merely offered. Prints that time and the data's size.
int Wait(const char* pszFormat, const char* pszText, int nTimeoutMs)
{
    UINT nMarker = ::RegisterClipboardFormatW(L"LarkspireBrinmoor2Internal");
    UINT nFormat = FormatId(pszFormat);
    wchar_t w[1024] = L"";
    if (pszText != nullptr)
        ::MultiByteToWideChar(CP_UTF8, 0, pszText, -1, w, 1024);
    printf("ready\n");
    fflush(stdout);
    double tEnd = BenchNow() + nTimeoutMs / 1000.0;
    DWORD nSeen = 0;
    while (BenchNow() < tEnd)
    {
        DWORD nSeq = ::GetClipboardSequenceNumber();
        if (nSeq != nSeen && ::IsClipboardFormatAvailable(nMarker) && ::IsClipboardFormatAvailable(nFormat))
        {
            nSeen = nSeq;
            COpenedClipboard clipboard;
            if (!OpenClipboardSoon(clipboard, tEnd))
                break;
            HANDLE h = ::GetClipboardData(nFormat);
            CGlobalLockGuard lock(h, h ? ::GlobalLock(h) : nullptr);
            double t = BenchNow();
            SIZE_T nSize = h ? ::GlobalSize(h) : 0;
            bool bMatch = lock.Get() != nullptr &&
                          (pszText == nullptr || wcscmp(static_cast<const wchar_t*>(lock.Get()), w) == 0);
            if (bMatch)
            {
                printf("%.6f %llu\n", t, static_cast<unsigned long long>(nSize));
                return 0;
            }
        }
        ::Sleep(1);
    }
    return 1;
}

// The capture's step between A's clipboard read and the send: the block's
// bytes copied into a record of fresh memory.
int Record(const char* pszFormat)
{
    COpenedClipboard clipboard;
    if (!OpenClipboardSoon(clipboard, BenchNow() + 10))
        return 1;
    HANDLE h = ::GetClipboardData(FormatId(pszFormat));
    CGlobalLockGuard lock(h, h ? ::GlobalLock(h) : nullptr);
    if (lock.Get() == nullptr)
        return 1;
    SIZE_T nSize = ::GlobalSize(h);
    double tTouched = 0, tPlain = 0;
    for (int nWay = 0; nWay < 2; ++nWay)
    {
        BYTE* pRecord = new BYTE[nSize];
        double t0 = BenchNow();
        if (nWay == 0)
            CPageTouchThread::Copy(pRecord, lock.Get(), nSize);
        else
            memcpy(pRecord, lock.Get(), nSize);
        (nWay == 0 ? tTouched : tPlain) = BenchNow() - t0;
        delete[] pRecord;
    }
    printf("%.6f %.6f\n", tTouched, tPlain);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "keystream") == 0)
        return Keystream(atoi(argv[2]));
    if (argc >= 3 && strcmp(argv[1], "stream") == 0)
        return Stream(atoi(argv[2]));
    if (argc >= 3 && strcmp(argv[1], "tcp") == 0)
        return Tcp(atoi(argv[2]));
    if (argc >= 4 && strcmp(argv[1], "set") == 0)
        return SetFile(argv[2], argv[3]);
    if (argc >= 3 && strcmp(argv[1], "settext") == 0)
        return SetText(argv[2]);
    if (argc >= 4 && strcmp(argv[1], "wait") == 0)
        return Wait(argv[2], argc >= 5 ? argv[3] : nullptr, atoi(argv[argc - 1]));
    if (argc >= 3 && strcmp(argv[1], "record") == 0)
        return Record(argv[2]);
    fprintf(stderr, "usage: net_bench_tool keystream|tcp <MB> | set <format> <file> | settext <text> | "
                    "wait <format> [<text>] <timeout ms> | record <format>\n");
    return 2;
}
