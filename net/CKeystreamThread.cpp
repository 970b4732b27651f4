#include "net/CKeystreamThread.h"
#include "crypto/CGRand.h"

CKeystreamThread::CKeystreamThread(CGRand& keystream)
    : m_keystream(keystream), m_nQueued(0), m_nTaken(0), m_nDone(0), m_bQuit(FALSE), m_bFailed(FALSE)
{
    ::InitializeCriticalSection(&m_lock);
    ::InitializeConditionVariable(&m_cvWork);
    ::InitializeConditionVariable(&m_cvDone);
}

CKeystreamThread::~CKeystreamThread()
{
    if (m_hThread.IsValid())
    {
        ::EnterCriticalSection(&m_lock);
        m_bQuit = TRUE;
        ::LeaveCriticalSection(&m_lock);
        ::WakeConditionVariable(&m_cvWork);
        // At most the piece in hand is finished first (1 MB or less).
        ::WaitForSingleObject(m_hThread, INFINITE);
    }
    ::DeleteCriticalSection(&m_lock);
}

BOOL CKeystreamThread::Start()
{
    m_hThread.Reset(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    return m_hThread.IsValid();
}

void CKeystreamThread::Queue(BYTE* pDst, const BYTE* pSrc, DWORD nCount)
{
    ::EnterCriticalSection(&m_lock);
    // A queue entry is reused only once its piece is done.
    while (m_nQueued - m_nDone >= QUEUE_SIZE && !m_bFailed)
        ::SleepConditionVariableCS(&m_cvDone, &m_lock, INFINITE);
    PIECE& piece = m_queue[m_nQueued % QUEUE_SIZE];
    piece.pDst = pDst;
    piece.pSrc = pSrc;
    piece.nCount = nCount;
    ++m_nQueued;
    ::LeaveCriticalSection(&m_lock);
    ::WakeConditionVariable(&m_cvWork);
}

BOOL CKeystreamThread::WaitDone(ULONGLONG nPieces)
{
    ::EnterCriticalSection(&m_lock);
    while (m_nDone < nPieces && !m_bFailed)
        ::SleepConditionVariableCS(&m_cvDone, &m_lock, INFINITE);
    BOOL bDone = m_nDone >= nPieces;
    ::LeaveCriticalSection(&m_lock);
    return bDone;
}

DWORD WINAPI CKeystreamThread::ThreadProc(LPVOID pParam)
{
    static_cast<CKeystreamThread*>(pParam)->Run();
    return 0;
}

void CKeystreamThread::Run()
{
    ::EnterCriticalSection(&m_lock);
    for (;;)
    {
        while (m_nTaken == m_nQueued && !m_bQuit)
            ::SleepConditionVariableCS(&m_cvWork, &m_lock, INFINITE);
        if (m_bQuit)
            break;
        PIECE piece = m_queue[m_nTaken % QUEUE_SIZE];
        ++m_nTaken;
        ::LeaveCriticalSection(&m_lock);
        BOOL bOk = TRUE;
        try
        {
            m_keystream.Xor(piece.pDst, piece.pSrc, piece.nCount);
        }
        catch (...)
        {
            // Only an unseeded generator throws; the waiting side reports it.
            bOk = FALSE;
        }
        ::EnterCriticalSection(&m_lock);
        if (bOk)
            ++m_nDone;
        else
            m_bFailed = TRUE;
        ::WakeAllConditionVariable(&m_cvDone);
        if (!bOk)
            break;
    }
    ::LeaveCriticalSection(&m_lock);
}
