// The main of every test program: GoogleTest's, with a time limit per test.
#include "CTestWatchdog.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The listener list owns the watchdog.
    ::testing::UnitTest::GetInstance()->listeners().Append(new CTestWatchdog(CTestWatchdog::LimitFromEnvironment()));
    return RUN_ALL_TESTS();
}
