// The time limit per test of every test program (tests/CTestWatchdog): a
// test that runs past it ends its program at once, named, with a failure
// code. Seen from outside, in a copy of this program started with a limit of
// 1 s and asked to hang in its probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CTestWatchdog.h"

namespace {

// Hangs only in the copy that the test below starts.
TEST(TestWatchdogProbe, HangsWhenAsked)
{
    if (getenv("VARNEL_WATCHDOG_PROBE") != nullptr)
        ::Sleep(INFINITE);
}

// Sets an environment variable for the child processes started in its life.
class CChildEnvironment
{
public:
    CChildEnvironment(LPCWSTR pszName, LPCWSTR pszValue) : m_strName(pszName)
    {
        wchar_t szOld[64] = {};
        DWORD nOld = ::GetEnvironmentVariableW(pszName, szOld, 64);
        m_bHadOld = nOld > 0 && nOld < 64;
        m_strOld = szOld;
        ::SetEnvironmentVariableW(pszName, pszValue);
    }
    ~CChildEnvironment() { ::SetEnvironmentVariableW(m_strName.c_str(), m_bHadOld ? m_strOld.c_str() : nullptr); }

private:
    std::wstring m_strName;
    std::wstring m_strOld;
    bool m_bHadOld;
};

TEST(TestWatchdog, TestPastItsLimitEndsTheProgramNamingIt)
{
    wchar_t szExe[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, szExe, MAX_PATH));
    std::wstring strCommand = std::wstring(L"\"") + szExe + L"\" --gtest_filter=TestWatchdogProbe.HangsWhenAsked";

    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    ASSERT_TRUE(::CreatePipe(&hRead, &hWrite, &sa, 0));
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;
    PROCESS_INFORMATION pi = {};
    BOOL bCreated;
    {
        CChildEnvironment limit(L"VARNEL_TEST_TIMEOUT", L"1");
        CChildEnvironment probe(L"VARNEL_WATCHDOG_PROBE", L"1");
        bCreated = ::CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    ::CloseHandle(hWrite);  // the child's copy is the only writer left: the reads end with the child
    ASSERT_TRUE(bCreated);

    // Waited for before its output is read: a copy whose watchdog failed
    // would keep the pipe open for ever. Its few lines fit the pipe.
    bool bEnded = ::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    if (!bEnded)
        ::TerminateProcess(pi.hProcess, 1);
    DWORD nExitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &nExitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::string strOutput;
    char buf[512];
    DWORD nRead = 0;
    while (::ReadFile(hRead, buf, sizeof(buf), &nRead, nullptr) && nRead > 0)
        strOutput.append(buf, nRead);
    ::CloseHandle(hRead);

    ASSERT_TRUE(bEnded) << strOutput;
    EXPECT_EQ(CTestWatchdog::kExitCode, nExitCode) << strOutput;
    EXPECT_NE(std::string::npos, strOutput.find("TestWatchdogProbe.HangsWhenAsked ran longer than 1 s")) << strOutput;
}

}  // namespace
