#include "display/turn_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

TEST(TurnGateTest, TurnsNeverOverlap) {
    display::TurnGate gate;
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    auto turn = [&] {
        if (++inside > 1) overlap = true;
        std::this_thread::yield();
        --inside;
    };
    std::thread a([&] { for (int i = 0; i < 2000; ++i) gate.run(turn); });
    for (int i = 0; i < 2000; ++i) gate.run(turn);
    a.join();
    EXPECT_FALSE(overlap);
}

// Whatever leaves a turn, the next one may begin.
TEST(TurnGateTest, AnExceptionThroughATurnFreesTheGate) {
    display::TurnGate gate;
    EXPECT_THROW(gate.run([] { throw std::runtime_error("unwound"); }), std::runtime_error);
    EXPECT_FALSE(gate.busy());
    bool ran = false;
    std::thread other([&] { gate.run([&] { ran = true; }); });
    other.join();
    EXPECT_TRUE(ran);
}

}  // namespace
