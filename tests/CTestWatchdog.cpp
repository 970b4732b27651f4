#include "CTestWatchdog.h"
#include <cstdlib>

CTestWatchdog::CTestWatchdog(DWORD nLimitMs)
    : m_nLimitMs(nLimitMs), m_hChanged(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_ERROR_HANDLE), ::GetCurrentProcess(), &m_hStdErr,
                           0, FALSE, DUPLICATE_SAME_ACCESS))
        m_hStdErr = nullptr;
    if (m_nLimitMs != 0 && m_hChanged != nullptr)
        m_hThread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (m_nLimitMs != 0 && m_hThread == nullptr)
        fprintf(stderr, "the test watchdog could not start: tests run without a time limit\n");
}

CTestWatchdog::~CTestWatchdog()
{
    if (m_hThread != nullptr)
    {
        ::AcquireSRWLockExclusive(&m_lock);
        m_bQuit = true;
        ::ReleaseSRWLockExclusive(&m_lock);
        ::SetEvent(m_hChanged);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
    if (m_hChanged != nullptr)
        ::CloseHandle(m_hChanged);
    if (m_hStdErr != nullptr)
        ::CloseHandle(m_hStdErr);
}

DWORD CTestWatchdog::LimitFromEnvironment()
{
    const char* pszSeconds = getenv("VARNEL_TEST_TIMEOUT");
    if (pszSeconds == nullptr || *pszSeconds == '\0')
        return 60 * 1000;
    return static_cast<DWORD>(strtoul(pszSeconds, nullptr, 10)) * 1000;
}

void CTestWatchdog::OnTestStart(const ::testing::TestInfo& info)
{
    ::AcquireSRWLockExclusive(&m_lock);
    m_strRunning = std::string(info.test_suite_name()) + "." + info.name();
    ++m_nStarted;
    m_bRunning = true;
    ::ReleaseSRWLockExclusive(&m_lock);
    if (m_hChanged != nullptr)
        ::SetEvent(m_hChanged);
}

void CTestWatchdog::OnTestEnd(const ::testing::TestInfo&)
{
    ::AcquireSRWLockExclusive(&m_lock);
    m_bRunning = false;
    ::ReleaseSRWLockExclusive(&m_lock);
    if (m_hChanged != nullptr)
        ::SetEvent(m_hChanged);
}

DWORD WINAPI CTestWatchdog::ThreadProc(LPVOID pParam)
{
    static_cast<CTestWatchdog*>(pParam)->Watch();
    return 0;
}

void CTestWatchdog::Watch()
{
    for (;;)
    {
        ::AcquireSRWLockShared(&m_lock);
        bool bQuit = m_bQuit;
        bool bRunning = m_bRunning;
        ULONGLONG nStarted = m_nStarted;
        std::string strName = m_strRunning;
        ::ReleaseSRWLockShared(&m_lock);
        if (bQuit)
            return;
        // A change between the look above and this wait is kept by the event.
        if (::WaitForSingleObject(m_hChanged, bRunning ? m_nLimitMs : INFINITE) != WAIT_TIMEOUT)
            continue;
        ::AcquireSRWLockShared(&m_lock);
        bool bSameTest = m_bRunning && m_nStarted == nStarted;
        ::ReleaseSRWLockShared(&m_lock);
        if (bSameTest)
            Expire(strName);
    }
}

void CTestWatchdog::Expire(const std::string& strName)
{
    // Straight to the handle, and the process ended at once: the hung test
    // may hold the runtime's stream lock or the loader lock, on which
    // fprintf or ExitProcess would wait for ever.
    std::string strLine = "[ TIMEOUT  ] " + strName + " ran longer than " + std::to_string(m_nLimitMs / 1000) +
                          " s (VARNEL_TEST_TIMEOUT); the test program ends here\n";
    DWORD nWritten = 0;
    ::WriteFile(m_hStdErr != nullptr ? m_hStdErr : ::GetStdHandle(STD_ERROR_HANDLE), strLine.data(),
                static_cast<DWORD>(strLine.size()), &nWritten, nullptr);
    ::TerminateProcess(::GetCurrentProcess(), kExitCode);
}
