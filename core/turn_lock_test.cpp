#include "core/turn_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using core::TurnGuard;
using core::TurnLock;

TEST(TurnLockTest, GuiSideKeepsPumpingUntilTheOtherTurnEnds) {
    TurnLock lock;
    std::atomic<bool> timerInTurn{false};
    std::atomic<bool> release{false};
    std::thread timer([&] {
        TurnGuard turn(lock);
        ASSERT_TRUE(turn.owns());
        timerInTurn = true;
        while (!release) std::this_thread::yield();
    });
    while (!timerInTurn) std::this_thread::yield();

    // The "event loop" lets the timer thread finish its turn after a few rounds.
    int pumped = 0;
    TurnGuard gui(lock, [&] {
        if (++pumped == 3) release = true;
    });
    EXPECT_TRUE(gui.owns());
    EXPECT_GE(pumped, 3);
    EXPECT_TRUE(lock.heldByCurrentThread());
    timer.join();
}

TEST(TurnLockTest, ATurnInsideATurnOfTheSameThreadIsRefused) {
    TurnLock lock;
    TurnGuard outer(lock);
    ASSERT_TRUE(outer.owns());
    int pumped = 0;
    TurnGuard nested(lock, [&] { ++pumped; });
    EXPECT_FALSE(nested.owns());
    EXPECT_EQ(pumped, 0);
    TurnGuard nestedPlain(lock);
    EXPECT_FALSE(nestedPlain.owns());
    EXPECT_TRUE(lock.heldByCurrentThread());  // the refused guards released nothing
}

TEST(TurnLockTest, TurnsNeverOverlap) {
    TurnLock lock;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto work = [&](bool gui) {
        for (int i = 0; i < 200; ++i) {
            TurnGuard turn = gui ? TurnGuard(lock, [] { std::this_thread::yield(); })
                                 : TurnGuard(lock);
            if (++inside != 1) ++overlaps;
            std::this_thread::yield();
            --inside;
        }
    };
    std::thread a(work, false);
    std::thread b(work, true);
    a.join();
    b.join();
    EXPECT_EQ(overlaps.load(), 0);
}

}  // namespace
