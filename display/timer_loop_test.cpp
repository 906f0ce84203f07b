#include "display/timer_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>


namespace {

using display::TimerLoop;

// Runs the loop against a fake clock of ticks: `changes` sets the period after
// the given tick; the loop stops after `ticks` ticks. Returns the tick counts
// at which each turn started.
std::vector<int> turnsAt(double start, std::map<int, double> changes, int ticks) {
    double period = start;
    std::vector<int> turns;
    int now = 0;
    TimerLoop loop([&] { return period; }, {[&] { turns.push_back(now); },
                                            [&] {
                                                if (now == ticks) return false;
                                                ++now;
                                                if (changes.count(now)) period = changes[now];
                                                return true;
                                            }});
    loop.run();
    return turns;
}

TEST(TimerLoopTest, TickArithmetic) {
    struct Case {
        const char* name;
        double start;
        std::map<int, double> changes;
        int ticks;
        std::vector<int> turns;
    } cases[] = {
        {"period 20: a turn every 19 ticks, the first at once", 20, {}, 40, {0, 19, 38}},
        {"period 2: a turn after every tick", 2, {}, 3, {0, 1, 2, 3}},
        {"300 shortened to 20 after 50 ticks ends the wait at once", 300, {{50, 20}}, 60, {0, 50}},
        {"lengthening extends the current wait", 5, {{2, 10}}, 20, {0, 9, 18}},
        {"no turns (999); then 2 gives a turn after two ticks", 20, {{5, display::kNoTurns}, {100, 2}}, 103,
         {0, 101, 102, 103}},
        {"a period below 2 counts as 2", 1, {}, 3, {0, 1, 2, 3}},
        {"period 0 set during a wait", 20, {{3, 0}}, 5, {0, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(turnsAt(c.start, c.changes, c.ticks), c.turns) << c.name;
    }
}

TEST(TimerThreadTest, StopsCleanlyDuringAWait) {
    std::atomic<int> turns{0};
    display::TimerThread thread([] { return display::kNoTurns; }, [&] { ++turns; });
    thread.start();
    while (turns == 0) std::this_thread::yield();
    thread.stop();
    EXPECT_EQ(turns, 1);
}

}  // namespace
