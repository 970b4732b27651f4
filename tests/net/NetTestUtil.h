#pragma once
// Helpers shared by the network tests: connected socket pairs on loopback,
// the event log as lines, waiting with a deadline, and a fixed RSA key.

#include "afx/Afx.h"
#include "net/CSocketX.h"
#include "net/CSocketBuffer.h"
#include "app/EventLog.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

namespace nettest {

// A 1280-bit test key (public exponent 65537), hexadecimal.
inline const wchar_t* TestModulusHex()
{
    return L"0xd9bd9f99124c9e9f496c4b9f2cb414d9ff8381693a46bb78a0dbbda8b024c8e4dda2a6cf822b29192a0858b6f5741c01f9ca5a89"
           L"3a091fa64f93dc17309389a17adbb1e7724c9657af103d21007e7ac129aaf4becd57569098d0b02a81636e0b797d1294de7ba296f6"
           L"16aa5963f3b774d577cd101187669bc54d7c04a0cd59ab1a26658d68281a126da073eec8433d8c0e39e02c60eb0f944db4232469af"
           L"2117";
}
inline const wchar_t* TestPrivateExponentHex()
{
    return L"0x4af9360918f9f4ec57f5c81c28e26103a72d7ad3e6d3101e3b152ebaf4dbd5a8a88026fbf09037f8883693857c02dcd9f94ea9d9"
           L"f277cdc41046935410cfdc6613cdadf649af015d73d41d984d793f7ebc8c92572b73b9e34c51ef44c464d74c98d1f20cf8bb3ec805"
           L"6821daa3e7eaf2c01ddc19ddb0e040669bf674079b996cbd960ac17fdd48125e84174e1ace2b69487641f1d0db3dcafc09b0360959"
           L"6c01";
}

// A listening socket on 127.0.0.1 with a free port.
class Listener
{
public:
    Listener()
    {
        AfxSocketInit();
        m_socket.Create(0, SOCK_STREAM, AFX_SOCKET_ALL_EVENTS, L"127.0.0.1");
        m_socket.Listen(5);
        sockaddr_in addr = {};
        int nLength = sizeof(addr);
        m_socket.GetSockName(reinterpret_cast<SOCKADDR*>(&addr), &nLength);
        m_nPort = ntohs(addr.sin_port);
    }
    // Waits for one connection into s; a peer that never comes fails the
    // test after nTimeoutMs instead of hanging it.
    bool Accept(CSocketX& s, DWORD nTimeoutMs = 60000) { return AcceptWithin(s.m_socket, nTimeoutMs); }
    SOCKET AcceptHandle()
    {
        CSocket s;
        if (!AcceptWithin(s, 60000))
            return INVALID_SOCKET;
        return s.Detach();
    }
    void Cancel() { m_socket.CancelBlockingCall(); }
    bool AcceptWithin(CSocket& s, DWORD nTimeoutMs);

    CSocket m_socket;
    int m_nPort = 0;
};

// A port on 127.0.0.1 that was free a moment ago.
inline int FreePort()
{
    Listener l;
    return l.m_nPort;
}

// Two connected worker sockets.
void ConnectPair(CSocketX& client, CSocketX& server);

// Takes every queued log line (time stamp and line end removed).
std::vector<std::wstring> TakeLog();
// Takes every queued server-status text.
std::vector<std::wstring> TakeStatus();
// Waits up to nTimeoutMs for pred to hold, polling.
bool WaitUntil(const std::function<bool()>& pred, DWORD nTimeoutMs = 10000);
// Gathers what take returns (TakeLog, TakeStatus) into seen until some entry
// contains part.
bool Gather(const std::function<std::vector<std::wstring>()>& take, std::vector<std::wstring>& seen,
            const std::wstring& part, DWORD nTimeoutMs = 10000);
// Starts the program's listener on a free port (theApp.m_nPort) and waits
// until it runs; status gets the texts it showed.
bool StartListenerOnFreePort(std::vector<std::wstring>& status);
// Joins lines for failure messages.
std::string Narrow(const std::wstring& s);
std::string Join(const std::vector<std::wstring>& lines);
// Whether some line contains every one of the parts.
bool HasLine(const std::vector<std::wstring>& lines, const std::vector<std::wstring>& parts);

// Sets the application's password and RSA state the workers copy.
void SetPassword(const wchar_t* pszPassword);
void SetRSA(bool bOn);
UINT InternalFormat();

// Opens the clipboard (another thread may hold it a moment) and reads one
// format as a pasting program does. *pnMs: how long GetClipboardData took.
bool ReadClipboard(UINT nFormat, std::vector<BYTE>& out, DWORD* pnMs = nullptr);
// A small text that no receiver writes, to see whether one wrote anything.
void PutSentinelOnClipboard();
// The bytes of this process that are resident now.
SIZE_T WorkingSet();
bool NoReceivers();

}  // namespace nettest
