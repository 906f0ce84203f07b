#include "platform/process_limits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Wine, which runs the Windows tests here, takes a job object's limits but
// does not enforce them; Windows itself does.
bool jobLimitsIgnored() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

// Each limit is tried in a process of the test's own (a death test): it
// cannot be lifted again.
TEST(ProcessLimitsDeathTest, ProcessorTimeEndsTheProcess) {
    if (jobLimitsIgnored()) GTEST_SKIP() << "wine does not enforce job limits";
    EXPECT_EXIT(
        {
            platform::limitThisProcess({1, 0});
            // Far more than one second of work; still running after it, the
            // process ends itself with 0, which fails the test.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            volatile std::uint64_t spins = 0;
            while (std::chrono::steady_clock::now() < end) spins = spins + 1;
            std::_Exit(0);
        },
        [](int status) { return !::testing::ExitedWithCode(0)(status); }, "");
}

TEST(ProcessLimitsDeathTest, AllocationPastTheMemoryLimitFails) {
    if (!platform::kMemoryLimitWorks) GTEST_SKIP() << "no memory limit under the sanitizers";
    if (jobLimitsIgnored()) GTEST_SKIP() << "wine does not enforce job limits";
    EXPECT_EXIT(
        {
            platform::limitThisProcess({0, std::uint64_t(256) << 20});
            void* volatile small = std::malloc(std::size_t(16) << 20);
            void* volatile big = std::malloc(std::size_t(512) << 20);
            std::_Exit(!small ? 2 : big ? 3 : 0);  // 2: nothing is left, 3: no limit
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
