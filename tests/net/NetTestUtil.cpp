#define PSAPI_VERSION 2
#include "NetTestUtil.h"
#include "app/CBrinmoorApp.h"
#include "net/CSocketedThreadList.h"
#include "net/CListenerThread.h"
#include <psapi.h>
#include <thread>

namespace nettest {

void ConnectPair(CSocketX& client, CSocketX& server)
{
    Listener listener;
    ASSERT_TRUE(client.Create());
    std::thread t([&] { EXPECT_TRUE(listener.Accept(server)); });
    bool bConnected = client.Connect(L"127.0.0.1", listener.m_nPort) != FALSE;
    EXPECT_TRUE(bConnected) << client.GetError();
    if (!bConnected)
        listener.Cancel();  // else the accept waits for ever
    t.join();
}

bool Listener::AcceptWithin(CSocket& s, DWORD nTimeoutMs)
{
    HANDLE hDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread watchdog([&] {
        if (::WaitForSingleObject(hDone, nTimeoutMs) == WAIT_TIMEOUT)
            Cancel();
    });
    bool bAccepted = m_socket.Accept(s) != FALSE;
    ::SetEvent(hDone);
    watchdog.join();
    ::CloseHandle(hDone);
    EXPECT_TRUE(bAccepted) << "no connection came within " << nTimeoutMs << " ms";
    return bAccepted;
}

static std::wstring StripLine(const CString& line)
{
    std::wstring s(line.GetString());
    // "MM/DD hh:mm:ss " in front, "\r\n" behind.
    if (s.size() >= 15)
        s = s.substr(15);
    while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r'))
        s.pop_back();
    return s;
}

std::vector<std::wstring> TakeLog()
{
    std::vector<std::wstring> lines;
    while (CString* p = LogQueue.Pop())
    {
        lines.push_back(StripLine(*p));
        delete p;
    }
    return lines;
}

std::vector<std::wstring> TakeStatus()
{
    std::vector<std::wstring> lines;
    while (CServerStatusQueueItem* p = ServerStatusQueue.Pop())
    {
        lines.push_back(p->m_strText.GetString());
        delete p;
    }
    return lines;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD nTimeoutMs)
{
    DWORD nStart = ::GetTickCount();
    for (;;)
    {
        if (pred())
            return true;
        if (::GetTickCount() - nStart > nTimeoutMs)
            return false;
        ::Sleep(5);
    }
}

bool Gather(const std::function<std::vector<std::wstring>()>& take, std::vector<std::wstring>& seen,
            const std::wstring& part, DWORD nTimeoutMs)
{
    return WaitUntil(
        [&] {
            auto more = take();
            seen.insert(seen.end(), more.begin(), more.end());
            return HasLine(seen, {part});
        },
        nTimeoutMs);
}

bool StartListenerOnFreePort(std::vector<std::wstring>& status)
{
    theApp.m_nPort = FreePort();
    TakeStatus();
    StartListenerThread();
    CString running;
    running.Format(L"稼働中　ポート %d", theApp.m_nPort);
    return Gather(TakeStatus, status, running.GetString());
}

std::string Narrow(const std::wstring& s)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Join(const std::vector<std::wstring>& lines)
{
    std::string out;
    for (auto& l : lines)
        out += "\n  [" + Narrow(l) + "]";
    return out.empty() ? " (no lines)" : out;
}

bool HasLine(const std::vector<std::wstring>& lines, const std::vector<std::wstring>& parts)
{
    for (auto& l : lines)
    {
        bool bAll = true;
        for (auto& p : parts)
            if (l.find(p) == std::wstring::npos)
                bAll = false;
        if (bAll)
            return true;
    }
    return false;
}

void SetPassword(const wchar_t* pszPassword)
{
    CSingleLock lock(&theApp.m_mutexPassword, TRUE);
    theApp.m_strPassword = pszPassword;
}

void SetRSA(bool bOn)
{
    CSingleLock lock(&theApp.m_mutexKey, TRUE);
    theApp.m_nRSAMode = bOn ? 1 : 0;
    theApp.m_bKeyPresent = bOn ? TRUE : FALSE;
    if (bOn)
    {
        theApp.m_bnModulus.FromString(TestModulusHex());
        theApp.m_bnPrivateExponent.FromString(TestPrivateExponentHex());
    }
}

UINT InternalFormat()
{
    if (theApp.m_nInternalFormat == 0)
        theApp.m_nInternalFormat = ::RegisterClipboardFormatW(L"LarkspireBrinmoor2Internal");
    return theApp.m_nInternalFormat;
}

bool ReadClipboard(UINT nFormat, std::vector<BYTE>& out, DWORD* pnMs)
{
    out.clear();
    for (int i = 0; i < 100 && !::OpenClipboard(nullptr); ++i)
        ::Sleep(10);
    DWORD nStart = ::GetTickCount();
    HANDLE h = ::GetClipboardData(nFormat);
    if (pnMs)
        *pnMs = ::GetTickCount() - nStart;
    if (h != nullptr)
    {
        SIZE_T n = ::GlobalSize(h);
        const BYTE* p = static_cast<const BYTE*>(::GlobalLock(h));
        if (p != nullptr)
        {
            out.assign(p, p + n);
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return h != nullptr;
}

void PutSentinelOnClipboard()
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, 4);
    memcpy(::GlobalLock(h), L"s\0", 4);
    ::GlobalUnlock(h);
    ::SetClipboardData(CF_UNICODETEXT, h);
    ::CloseClipboard();
}

bool NoReceivers() { return ReceiverThreadList.GetCountLocked() == 0; }

SIZE_T WorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc)))
        return 0;
    return pmc.WorkingSetSize;
}

}  // namespace nettest
