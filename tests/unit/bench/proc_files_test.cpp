// The /proc readers the benchmarks report memory and start children with.
#include <gtest/gtest.h>

#include <string>

#include "bench/proc_files.h"

TEST(ProcFiles, StatusValuesAreReadInKilobytesAndMissingOnesAreZero)
{
    EXPECT_GT(bench::statusKb("/proc/self/status", "VmRSS:"), 0);
    EXPECT_EQ(bench::statusKb("/proc/self/status", "NoSuchKey:"), 0);
    EXPECT_EQ(bench::statusKb("/proc/no-such-process/status", "VmRSS:"), 0);
}

TEST(ProcFiles, SelfPathNamesThisProgram)
{
    const std::string self = bench::selfPath();
    EXPECT_EQ(self.substr(self.rfind('/') + 1), "unit_bench");
}
