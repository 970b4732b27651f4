#include <gtest/gtest.h>
#include <windows.h>
TEST(Smoke, AnsiCodePageIsJapanese) { EXPECT_EQ(932u, GetACP()); }
