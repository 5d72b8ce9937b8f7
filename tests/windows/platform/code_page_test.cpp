// The test environment: Wine must run with code page 936 (or the code page a run asks for), so
// the program is tested the way a Chinese system runs it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Environment, AnsiCodePageIsTheOneTheRunAskedFor) {
    const char* expected = std::getenv("QM_EXPECT_ACP");
    const UINT want = expected ? static_cast<UINT>(std::atoi(expected)) : 936u;
    EXPECT_EQ(GetACP(), want);
}
