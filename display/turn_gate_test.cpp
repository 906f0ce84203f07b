#include "display/turn_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TurnGateTest, GuiTurnNeverWaitsForARunningTurn) {
    display::TurnGate gate;
    std::mutex m;
    std::condition_variable cv;
    bool release = false, started = false;
    std::vector<std::string> order;
    std::thread timer([&] {
        gate.run([&] {
            {
                std::unique_lock lock(m);
                started = true;
                cv.notify_all();
                cv.wait(lock, [&] { return release; });  // e.g. waiting for a dialogue
            }
            std::lock_guard lock(m);
            order.push_back("timer");
        });
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return started; });
    }
    // The "GUI thread" presses Show while the timer thread is inside its turn.
    EXPECT_FALSE(gate.runOrQueue([&] {
        std::lock_guard lock(m);
        order.push_back("show");
    }));
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    timer.join();
    EXPECT_EQ(order, (std::vector<std::string>{"timer", "show"}));
    EXPECT_FALSE(gate.busy());
    EXPECT_TRUE(gate.runOrQueue([&] { order.push_back("now"); }));
    EXPECT_EQ(order.back(), "now");
}

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
    for (int i = 0; i < 2000; ++i) gate.runOrQueue(turn);
    a.join();
    EXPECT_FALSE(overlap);
}

TEST(TurnGateTest, ATurnAskedForInsideATurnOfTheSameThreadRunsAfterIt) {
    display::TurnGate gate;
    std::vector<std::string> order;
    EXPECT_TRUE(gate.runOrQueue([&] {
        order.push_back("outer begins");
        EXPECT_FALSE(gate.runOrQueue([&] { order.push_back("nested"); }));
        order.push_back("outer ends");
    }));
    EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "outer ends", "nested"}));
    EXPECT_FALSE(gate.busy());
}

}  // namespace
