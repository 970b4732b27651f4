#pragma once
// The sender's side once the directory is through: every tag the receiver
// sends is noted with its time; "SF" is answered by the test's handler.

#include "FakePeer.h"
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace nettest {

class CRequestPeer
{
public:
    typedef std::function<void(CRequestPeer&, DWORD nIndex)> HANDLER;

    explicit CRequestPeer(FakeSender& fs) : m_fs(fs) {}
    ~CRequestPeer() { Join(); }

    void Start(HANDLER handler);
    // Ends once the receiver closes the connection.
    void Join();
    void SendDL(ULONGLONG nSize);
    // "DL", the reply, "DB" and the data, the reply: one whole answer.
    void Serve(const std::vector<BYTE>& data);
    std::vector<std::pair<DWORD, DWORD>> Tags();
    int Count(DWORD nTag);

    FakeSender& m_fs;

private:
    void Loop();

    HANDLER m_handler;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::pair<DWORD, DWORD>> m_tags;
};

}  // namespace nettest
