#pragma once
// Ends the test program when one test runs longer than its limit, naming the
// test: a threaded test that hangs (a lost wake-up, a wait nothing ends) then
// fails within its limit instead of holding the whole program until ctest's.

#include <gtest/gtest.h>
#include <windows.h>
#include <string>

class CTestWatchdog : public ::testing::EmptyTestEventListener
{
public:
    // The exit code of a program ended by the watchdog, as timeout(1) gives.
    static constexpr UINT kExitCode = 124;

    // nLimitMs 0: no limit.
    explicit CTestWatchdog(DWORD nLimitMs);
    ~CTestWatchdog() override;
    CTestWatchdog(const CTestWatchdog&) = delete;
    CTestWatchdog& operator=(const CTestWatchdog&) = delete;

    // The limit from VARNEL_TEST_TIMEOUT (seconds, 0 for none), else 60 s.
    static DWORD LimitFromEnvironment();

    void OnTestStart(const ::testing::TestInfo& info) override;
    void OnTestEnd(const ::testing::TestInfo& info) override;

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void Watch();
    void Expire(const std::string& strName);

    DWORD m_nLimitMs;
    SRWLOCK m_lock = SRWLOCK_INIT;
    // Under m_lock: the running test, counted so that a test that ended and
    // one that began since are never taken for the one being timed.
    std::string m_strRunning;
    ULONGLONG m_nStarted = 0;
    bool m_bRunning = false;
    bool m_bQuit = false;
    HANDLE m_hChanged;  // auto-reset: a test began or ended, or quit
    // The program's standard error as it was at the start: a death test
    // redirects the standard one to a file while it runs, closing this.
    HANDLE m_hStdErr = nullptr;
    HANDLE m_hThread = nullptr;
};
