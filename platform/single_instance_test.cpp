#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using platform::SingleInstance;
using namespace std::chrono_literals;

// A key of this test run only, so that parallel runs do not meet.
std::string key(const char* name) {
    return std::string("single-instance-test ") + name + " " +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

TEST(SingleInstanceTest, OneHolderPerKeyUntilItEnds) {
    const std::string shop = key("shop");
    auto first = std::make_unique<SingleInstance>(shop);
    ASSERT_TRUE(first->claim());
    EXPECT_FALSE(SingleInstance(shop).claim());
    EXPECT_TRUE(SingleInstance(key("other profile")).claim());
    first.reset();
    EXPECT_TRUE(SingleInstance(shop).claim());
}

TEST(SingleInstanceTest, ALaterStartRaisesTheHoldersWindow) {
    const std::string shop = key("raise");
    SingleInstance holder(shop);
    ASSERT_TRUE(holder.claim());
    std::atomic<int> raised{0};
    holder.listen([&] { ++raised; });
    SingleInstance later(shop);
    ASSERT_FALSE(later.claim());
    EXPECT_TRUE(later.askToRaise(2s));
    EXPECT_TRUE(waitUntil([&] { return raised == 1; }));
    EXPECT_TRUE(later.askToRaise(2s));
    EXPECT_TRUE(waitUntil([&] { return raised == 2; }));
    holder.stopListening();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(raised, 2);
}

#ifndef _WIN32
// A holder killed without a chance to clean up leaves its lock file and its
// socket behind; neither blocks the next start, which is then raised itself.
TEST(SingleInstanceTest, ACrashedHolderDoesNotBlockTheNextStart) {
    const std::string shop = key("crash");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance holder(shop);
        if (!holder.claim()) _exit(2);
        holder.listen([] {});
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;

    EXPECT_FALSE(SingleInstance(shop).askToRaise(200ms));  // nobody answers the old socket
    SingleInstance next(shop);
    ASSERT_TRUE(next.claim());
    std::atomic<int> raised{0};
    next.listen([&] { ++raised; });
    EXPECT_TRUE(SingleInstance(shop).askToRaise(2s));
    EXPECT_EQ(raised, 1);
}
#endif

}  // namespace
