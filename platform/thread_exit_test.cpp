#include "platform/thread_exit.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>

namespace {

struct Log {
    std::mutex mutex;
    std::string calls;
};

struct Call {
    Log* log;
    char name;
};

void record(void* p) {
    auto* call = static_cast<Call*>(p);
    std::lock_guard lock(call->log->mutex);
    call->log->calls += call->name;
}

// Each thread's calls run when that thread ends, latest first, and only
// those of the thread that registered them.
TEST(ThreadExitTest, CallsRunWhenTheirThreadEndsLatestFirst) {
    Log log;
    Call a{&log, 'a'}, b{&log, 'b'}, c{&log, 'c'};
    std::thread first([&] {
        platform::atThreadExit(record, &a);
        platform::atThreadExit(record, &b);
        std::thread([&] { platform::atThreadExit(record, &c); }).join();
        std::lock_guard lock(log.mutex);
        EXPECT_EQ(log.calls, "c");
    });
    first.join();
    EXPECT_EQ(log.calls, "cba");
}

}  // namespace
