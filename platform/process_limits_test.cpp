#include "platform/process_limits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace {

// Each limit is tried in a process of the test's own (a death test): it
// cannot be lifted again.
TEST(ProcessLimitsDeathTest, ProcessorTimeEndsTheProcess) {
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
