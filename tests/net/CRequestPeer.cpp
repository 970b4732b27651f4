#include "CRequestPeer.h"

namespace nettest {

void CRequestPeer::Start(HANDLER handler)
{
    m_handler = handler;
    m_thread = std::thread([this] { Loop(); });
}

void CRequestPeer::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CRequestPeer::SendDL(ULONGLONG nSize)
{
    CSendBuffer sb;
    sb.AppendString(L"DL");
    sb.AppendUInt64(nSize);
    m_fs.m_buffer.Send(sb);
}

void CRequestPeer::Serve(const std::vector<BYTE>& data)
{
    SendDL(data.size());
    EXPECT_EQ(DWORD(REPLY_OK), m_fs.m_buffer.ReceiveUInt32());
    m_fs.m_buffer.SendUInt32(TAG_DB);
    m_fs.m_buffer.SendBytes(data.data(), DWORD(data.size()));
    EXPECT_EQ(DWORD(REPLY_OK), m_fs.m_buffer.ReceiveUInt32());
}

std::vector<std::pair<DWORD, DWORD>> CRequestPeer::Tags()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tags;
}

int CRequestPeer::Count(DWORD nTag)
{
    int n = 0;
    for (auto& t : Tags())
        n += t.first == nTag;
    return n;
}

void CRequestPeer::Loop()
{
    try
    {
        for (;;)
        {
            DWORD nTag = m_fs.m_buffer.ReceiveUInt32();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_tags.push_back({nTag, ::GetTickCount()});
            }
            if (nTag == TAG_SF)
                m_handler(*this, m_fs.m_buffer.ReceiveUInt32());
            else if (nTag != TAG_AL)
                ADD_FAILURE() << "unexpected tag " << std::hex << nTag;
        }
    }
    catch (CSocketBufferException&)
    {
        // The receiver has closed the connection.
    }
}

}  // namespace nettest
