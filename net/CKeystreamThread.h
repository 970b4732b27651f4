#pragma once
// A thread that runs a connection's keystream beside the socket calls of one
// large send or receive: the sending thread has the next pieces enciphered
// while it sends the current one, the receiving thread has what it received
// deciphered while it receives more. The keystream is the one serial chain of
// a connection; with the socket calls beside it instead of between its steps,
// a connection runs at the keystream's own rate.
//
// Pieces are XORed strictly in the order they are queued, so the stream
// order is the byte order on the wire, exactly as when one thread does both.
// No socket call is made here: the socket calls, and the reading of their
// error codes (which Windows Sockets keeps per thread), stay on the thread
// that owns the connection.
//
// From Start to the destructor the keystream is this thread's, and its owner
// doesn't touch it. The destructor ends the thread on every path (what is
// still queued is dropped) and hands the keystream back.

#include "afx/Afx.h"
#include "afx/CKernelHandle.h"

class CGRand;

class CKeystreamThread
{
public:
    explicit CKeystreamThread(CGRand& keystream);
    ~CKeystreamThread();

    // FALSE when no thread can be had: the caller then ciphers itself.
    BOOL Start();
    // Queues pDst[i] = pSrc[i] ^ the next stream byte, for i < nCount, after
    // everything queued before (pDst may be pSrc). Waits while the queue is full.
    void Queue(BYTE* pDst, const BYTE* pSrc, DWORD nCount);
    // Waits until the first nPieces queued pieces are done. FALSE when the
    // keystream failed (it raised an exception on this thread's side).
    BOOL WaitDone(ULONGLONG nPieces);
    // Pieces queued so far.
    ULONGLONG Queued() const { return m_nQueued; }

private:
    struct PIECE
    {
        BYTE* pDst;
        const BYTE* pSrc;
        DWORD nCount;
    };
    enum
    {
        QUEUE_SIZE = 16
    };

    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void Run();

    CGRand& m_keystream;
    PIECE m_queue[QUEUE_SIZE];
    // Under m_lock: pieces queued, taken by the thread, done; the end marks.
    ULONGLONG m_nQueued;
    ULONGLONG m_nTaken;
    ULONGLONG m_nDone;
    BOOL m_bQuit;
    BOOL m_bFailed;
    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_cvWork;  // a piece was queued, or quit
    CONDITION_VARIABLE m_cvDone;  // a piece was done, or the thread failed
    CKernelHandle m_hThread;

    CKeystreamThread(const CKeystreamThread&) = delete;
    CKeystreamThread& operator=(const CKeystreamThread&) = delete;
};
