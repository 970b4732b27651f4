#include "FakePeer.h"
#include "crypto/PasswordHash.h"
#include "crypto/RSACrypt.h"
#include "crypto/CBigNum.h"

namespace nettest {

void Append32(std::vector<BYTE>& v, DWORD n)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(BYTE(n >> (8 * i)));
}

std::vector<BYTE> Directory(const std::vector<ITEM>& items, int nCount)
{
    std::vector<BYTE> v;
    Append32(v, nCount < 0 ? DWORD(items.size()) : DWORD(nCount));
    for (auto& it : items)
    {
        Append32(v, DWORD(it.nSize));
        Append32(v, DWORD(it.nSize >> 32));
        Append32(v, it.nFormat);
        DWORD nName = it.nNameLength != DWORD(-1) ? it.nNameLength : DWORD(2 * it.strName.size());
        Append32(v, nName);
        for (DWORD i = 0; i < nName; ++i)
        {
            WCHAR c = i / 2 < it.strName.size() ? it.strName[i / 2] : L'x';
            v.push_back(i % 2 == 0 ? BYTE(c) : BYTE(c >> 8));
        }
    }
    return v;
}

bool FakeSender::Connect(int nPort)
{
    AfxSocketInit();
    return m_socket.Create() && m_socket.Connect(L"127.0.0.1", nPort);
}

DWORD FakeSender::ReadGreeting(const wchar_t* pszPassword)
{
    EXPECT_EQ(DWORD(TAG_C3), m_buffer.ReceiveUInt32());
    DWORD nChallenge = m_buffer.ReceiveUInt32();
    EXPECT_EQ(32u, nChallenge);
    m_arrNonce.SetSize(nChallenge);
    m_buffer.ReceiveBytes(nChallenge, m_arrNonce.GetData());
    DWORD nModulus = m_buffer.ReceiveUInt32();
    HashWithPassword(m_arrNonce, pszPassword, m_arrK1);
    m_buffer.SetKey(nullptr, m_arrK1);
    return nModulus;
}

bool FakeSender::ReadCheck(DWORD nModulus, CByteArray& modulus)
{
    modulus.SetSize(nModulus);
    m_buffer.ReceiveBytes(nModulus, modulus.GetData());
    DWORD v1 = m_buffer.ReceiveUInt32();
    DWORD v2 = m_buffer.ReceiveUInt32();
    return v1 == (v2 ^ 1);
}

DWORD FakeSender::SendSessionKey(const CByteArray& modulus)
{
    CByteArray key, encrypted;
    key.SetSize(SESSION_KEY_LENGTH);
    for (int i = 0; i < SESSION_KEY_LENGTH; ++i)
        key[i] = BYTE(i * 13 + 1);
    CBigNum n, e;
    n.FromByteArray(modulus);
    e.SetWord(65537);
    RSACryptBytes(encrypted, key, e, n);
    CSendBuffer sb;
    sb.AppendString(L"NR");
    sb.AppendUInt32(DWORD(encrypted.GetSize()));
    sb.AppendBytes(encrypted);
    m_buffer.Send(sb);
    m_buffer.SetKey(&key, m_arrK1);
    return m_buffer.ReceiveUInt32();
}

void FakeSender::SendHB(const wchar_t* pszPassword, const std::vector<BYTE>& directory, DWORD nAnnounced)
{
    CByteArray hash;
    HashPassword(pszPassword, hash);
    CSendBuffer sb;
    sb.AppendString(L"HB");
    sb.AppendBytes(hash);
    sb.AppendUInt32(nAnnounced != DWORD(-1) ? nAnnounced : DWORD(directory.size()));
    sb.AppendBytes(directory.data(), DWORD(directory.size()));
    m_buffer.Send(sb);
}

bool FakeSender::ClosedByPeer(DWORD nTimeoutMs)
{
    // The receiver may still be in its clipboard retries; wait for the close.
    bool bClosed = false;
    DWORD nStart = ::GetTickCount();
    while (::GetTickCount() - nStart < nTimeoutMs)
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_socket.m_socket.m_hSocket, &set);
        timeval tv = {0, 50000};
        if (::select(0, &set, nullptr, nullptr, &tv) > 0)
        {
            char c;
            int n = ::recv(m_socket.m_socket.m_hSocket, &c, 1, 0);
            if (n == 0 || n == SOCKET_ERROR)
            {
                int nError = ::WSAGetLastError();
                if (n == 0 || nError != WSAEWOULDBLOCK)
                {
                    bClosed = true;
                    break;
                }
            }
            else
            {
                ADD_FAILURE() << "receiver sent a byte where it should have closed";
                break;
            }
        }
    }
    return bClosed;
}

}  // namespace nettest
