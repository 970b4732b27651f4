#pragma once
// The two ends of protocol "C3" written out step by step for the tests, so
// that a test can play either side and break any step on purpose.

#include "NetTestUtil.h"
#include "net/Protocol.h"
#include <string>
#include <vector>

namespace nettest {

// One directory item as a test writes it.
struct ITEM
{
    ULONGLONG nSize;
    UINT nFormat;
    std::wstring strName;
    DWORD nNameLength = DWORD(-1);  // -1: 2 x the name's characters
};

// The directory's bytes: count, then size, format, name length, name.
std::vector<BYTE> Directory(const std::vector<ITEM>& items, int nCount = -1);

void Append32(std::vector<BYTE>& v, DWORD n);

// Plays the sender against a real receiver.
class FakeSender
{
public:
    FakeSender() : m_buffer(&m_socket) {}
    bool Connect(int nPort);
    // Greeting in clear, then K1 from pszPassword. Returns L.
    DWORD ReadGreeting(const wchar_t* pszPassword);
    // Reads the modulus and the check words; TRUE when the words match.
    bool ReadCheck(DWORD nModulus, CByteArray& modulus);
    // "NR" with the session key under the receiver's public key, the second
    // key, and the reply.
    DWORD SendSessionKey(const CByteArray& modulus);
    void SendHB(const wchar_t* pszPassword, const std::vector<BYTE>& directory, DWORD nAnnounced = DWORD(-1));
    DWORD Reply() { return m_buffer.ReceiveUInt32(); }
    // Whether the receiver closes the connection within the time.
    bool ClosedByPeer(DWORD nTimeoutMs = 10000);

    CSocketX m_socket;
    CSocketBuffer m_buffer;
    CByteArray m_arrNonce, m_arrK1;
};

}  // namespace nettest
