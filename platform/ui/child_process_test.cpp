// POSIX only (the build leaves it out on Windows, where the metafile
// converter's tests run a child that crashes, hangs or fails through the same
// face: display/ui/picture_decoder_test.cpp).
#include "platform/ui/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "testsupport/temp_dir.h"

namespace {

using platform::ui::ChildEnd;
using platform::ui::runChild;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(ChildProcessTest, TellsHowTheChildEnded) {
    const struct {
        const char* script;
        ChildEnd::Kind kind;
        int exitCode;
    } cases[] = {
        {"exit 0", ChildEnd::Kind::Exited, 0},
        {"exit 3", ChildEnd::Kind::Exited, 3},
        {"kill -SEGV $$", ChildEnd::Kind::Crashed, 0},
        {"read line || exit 7; exit 8", ChildEnd::Kind::Exited, 7},  // its input is empty
        {"sleep 30", ChildEnd::Kind::TimedOut, 0},
    };
    for (const auto& c : cases) {
        const auto start = Clock::now();
        const ChildEnd end = runChild("/bin/sh", {"-c", c.script}, 500ms);
        EXPECT_EQ(end.kind, c.kind) << c.script;
        EXPECT_EQ(end.exitCode, c.exitCode) << c.script;
        EXPECT_LT(Clock::now() - start, 10s) << c.script;
    }
    EXPECT_EQ(runChild("/no/such/program", {}, 500ms).kind, ChildEnd::Kind::Failed);
}

// Whether process `pid` is gone (or a zombie that nobody reaped yet).
bool gone(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// A child's own children go with it at the time limit: an office converter's
// launcher leaves the office process running otherwise.
TEST(ChildProcessTest, TheTimeLimitEndsWhatTheChildStarted) {
    testsupport::TempDir dir;
    const std::string script = "sleep 30 & echo $! > '" + dir.file("pid") + "'; wait";
    EXPECT_EQ(runChild("/bin/sh", {"-c", script}, 500ms).kind, ChildEnd::Kind::TimedOut);
    const std::string pid = dir.read("pid");
    ASSERT_FALSE(pid.empty());
    const std::string number = pid.substr(0, pid.find('\n'));
    const auto deadline = Clock::now() + 5s;
    while (!gone(number) && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(gone(number)) << "sleep " << number << " outlived the child";
}

// stopChildren cannot be undone: tried in a process of the test's own.
TEST(ChildProcessDeathTest, StopChildrenEndsTheRunningOnesAndStartsNoMore) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ChildEnd running;
            const auto start = Clock::now();
            std::thread waiter([&] { running = runChild("/bin/sh", {"-c", "sleep 30"}, 30s); });
            std::this_thread::sleep_for(300ms);
            platform::ui::stopChildren();
            waiter.join();
            const bool stopped =
                running.kind == ChildEnd::Kind::TimedOut && Clock::now() - start < 10s;
            const bool noMore = runChild("/bin/sh", {"-c", "exit 0"}, 30s).kind ==
                                ChildEnd::Kind::Failed;
            std::fprintf(stderr, "stopped %d, no more %d\n", int(stopped), int(noMore));
            std::fflush(stderr);
            std::_Exit(stopped && noMore ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
