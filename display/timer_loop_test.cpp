#include "display/timer_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <map>
#include <set>
#include <vector>

namespace {

using display::TimerLoop;
using display::TimerThread;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Runs the loop against a fake clock of ticks: `changes` sets the period after
// the given tick; the ticks in `fileChanges` end early with a settled change
// of the code file; the loop stops after `ticks` ticks. Returns the tick counts
// at which each turn started.
std::vector<int> turnsAt(double start, std::map<int, double> changes, int ticks,
                         std::set<int> fileChanges = {}) {
    double period = start;
    std::vector<int> turns;
    int now = 0;
    TimerLoop loop([&] { return period; }, {[&] { turns.push_back(now); },
                                            [&] {
                                                if (now == ticks) return TimerLoop::Tick::Stop;
                                                ++now;
                                                if (changes.count(now)) period = changes[now];
                                                return fileChanges.count(now) ? TimerLoop::Tick::Changed
                                                                              : TimerLoop::Tick::Elapsed;
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
        std::set<int> fileChanges;
    } cases[] = {
        {"period 20: a turn every 19 ticks, the first at once", 20, {}, 40, {0, 19, 38}},
        {"period 2: a turn after every tick", 2, {}, 3, {0, 1, 2, 3}},
        {"300 shortened to 20 after 50 ticks ends the wait at once", 300, {{50, 20}}, 60, {0, 50}},
        {"lengthening extends the current wait", 5, {{2, 10}}, 20, {0, 9, 18}},
        {"no turns (999); then 2 gives a turn after two ticks", 20, {{5, display::kNoTurns}, {100, 2}}, 103,
         {0, 101, 102, 103}},
        {"a period below 2 counts as 2", 1, {}, 3, {0, 1, 2, 3}},
        {"period 0 set during a wait", 20, {{3, 0}}, 5, {0, 3, 4, 5}},
        {"a change of the code file turns at once; the period starts again", 20, {}, 40, {0, 5, 24},
         {5}},
        {"no change turns while there are no turns", display::kNoTurns, {}, 30, {0}, {5, 6}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(turnsAt(c.start, c.changes, c.ticks, c.fileChanges), c.turns) << c.name;
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

// The end of the program waits a while for a turn in progress, never for
// one that does not come back.
TEST(TimerThreadTest, StopWaitsForATurnOnlyAsLongAsItsPatience) {
    struct Case {
        const char* name;
        std::chrono::milliseconds turnTakes;
        bool stopped;
    } cases[] = {
        {"a short turn is waited for", 50ms, true},
        {"a stuck turn is given up on", 5000ms, false},
    };
    for (const Case& c : cases) {
        std::atomic<bool> inTurn{false}, release{false};
        TimerThread timer([] { return display::kNoTurns; }, [&] {
            inTurn = true;
            const auto until = Clock::now() + c.turnTakes;
            while (!release && Clock::now() < until) std::this_thread::sleep_for(5ms);
        });
        timer.start();
        while (!inTurn) std::this_thread::yield();
        const auto start = Clock::now();
        EXPECT_EQ(timer.stop(400ms), c.stopped) << c.name;
        EXPECT_LT(Clock::now() - start, 2s) << c.name;
        release = true;
        timer.stop();  // joins, so the turn ends before its locals go
    }
}

// awaitTurn returns once the asked turn has run on the timer thread, after a
// turn in progress; it gives up on a turn that does not come, and on a
// stopped thread.
TEST(TimerThreadTest, AwaitTurnReturnsOnceTheTurnHasRun) {
    struct Case {
        const char* name;
        std::chrono::milliseconds ownTurnTakes;
        bool stopFirst;
        bool ran;
    } cases[] = {
        {"while it waits", 0ms, false, true},
        {"after a short turn in progress", 100ms, false, true},
        {"not while a turn in progress hangs", 5000ms, false, false},
        {"not after the stop", 0ms, true, false},
    };
    for (const Case& c : cases) {
        std::atomic<bool> inTurn{false}, release{false}, ran{false};
        TimerThread timer([] { return display::kNoTurns; }, [&] {
            inTurn = true;
            const auto until = Clock::now() + c.ownTurnTakes;
            while (!release && Clock::now() < until) std::this_thread::sleep_for(5ms);
        });
        timer.start();
        while (!inTurn) std::this_thread::yield();
        if (c.stopFirst) timer.stop();
        EXPECT_EQ(timer.awaitTurn([&] { ran = true; }, 400ms), c.ran) << c.name;
        EXPECT_EQ(ran.load(), c.ran) << c.name;
        release = true;
        timer.stop();
    }
}

// Turns asked for by another thread run on the timer thread, in order, at
// once whatever the timer waits for, and never on the asking thread.
TEST(TimerThreadTest, AskedTurnsRunOnTheTimerThreadAtOnce) {
    struct Case {
        const char* name;
        std::chrono::milliseconds firstTurnAfter;
        bool askWhileOwnTurnRuns;
    } cases[] = {
        {"while it waits with no turns coming", 0ms, false},
        {"before its first turn is due", 60s, false},
        {"while its own turn runs", 0ms, true},
    };
    for (const Case& c : cases) {
        std::mutex m;
        std::condition_variable cv;
        std::vector<std::string> order;
        std::atomic<bool> inOwnTurn{false}, release{!c.askWhileOwnTurnRuns};
        std::atomic<int> ownTurns{0};
        auto note = [&](const std::string& what) {
            std::lock_guard lock(m);
            order.push_back(what);
            cv.notify_all();
        };
        TimerThread timer([] { return display::kNoTurns; }, [&] {
            ++ownTurns;
            inOwnTurn = true;
            while (!release) std::this_thread::sleep_for(1ms);
            note("own");
        });
        timer.start(c.firstTurnAfter);
        if (c.firstTurnAfter == 0ms) {
            while (!inOwnTurn) std::this_thread::yield();
        }
        const std::thread::id asker = std::this_thread::get_id();
        for (const char* name : {"first", "second"}) {
            timer.askTurn([&, name] {
                EXPECT_NE(std::this_thread::get_id(), asker) << c.name;
                note(name);
            });
        }
        release = true;
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 30s, [&] {
            return std::count(order.begin(), order.end(), "second") == 1;
        })) << c.name;
        std::vector<std::string> asked;
        for (const auto& o : order) if (o != "own") asked.push_back(o);
        EXPECT_EQ(asked, (std::vector<std::string>{"first", "second"})) << c.name;
        if (c.askWhileOwnTurnRuns) EXPECT_EQ(order.front(), "own") << c.name;
        lock.unlock();
        timer.stop();
        EXPECT_EQ(ownTurns, c.firstTurnAfter == 0ms ? 1 : 0) << c.name;
    }
}

// The real thread with a settle time long enough that a loaded machine cannot
// stretch the writer's 10-millisecond gaps past it.
class CodeFileChangeTest : public ::testing::Test {
protected:
    static constexpr auto kSettle = 300ms;

    void startWithPeriod(double period) {
        m_period = period;
        m_thread = std::make_unique<TimerThread>(
            [this] { return m_period.load(); },
            [this] {
                std::lock_guard lock(m_mutex);
                m_turns.push_back(Clock::now());
            },
            std::function<bool()>(), kSettle);
        m_thread->start();
        waitForTurns(1);
    }
    bool waitForTurns(std::size_t n, std::chrono::milliseconds limit = 5s) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (turns().size() >= n) return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    std::vector<Clock::time_point> turns() {
        std::lock_guard lock(m_mutex);
        return m_turns;
    }

    std::atomic<double> m_period{20};
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_turns;
    std::unique_ptr<TimerThread> m_thread;
};

TEST_F(CodeFileChangeTest, ABurstOfChangesGivesOneTurnOnceSettled) {
    startWithPeriod(100);  // no poll turn within the test
    const auto first = Clock::now();
    Clock::time_point last;
    for (int i = 0; i < 5; ++i) {
        last = Clock::now();
        m_thread->codeFileChanged();
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(waitForTurns(2));
    std::this_thread::sleep_for(kSettle + 200ms);
    const auto seen = turns();
    ASSERT_EQ(seen.size(), 2u) << "one turn for the burst";
    EXPECT_GE(seen[1] - last, kSettle) << "not before the burst settled";
    EXPECT_LT(seen[1] - first, 5s) << "long before the poll";
}

TEST_F(CodeFileChangeTest, APollDueDuringABurstWaitsForItToSettle) {
    startWithPeriod(2);  // a poll turn after every tick
    ASSERT_TRUE(waitForTurns(3));
    m_thread->codeFileChanged();
    const auto changed = Clock::now();
    std::this_thread::sleep_for(kSettle + 300ms);
    for (const auto& t : turns()) {
        EXPECT_FALSE(t > changed && t - changed < kSettle) << "a turn while the burst settled";
    }
}

TEST(TimerThreadTest, AFollowedChangeOrTheStopCutsAPauseShort) {
    struct Case {
        const char* name;
        bool follows;
        void (TimerThread::*interrupt)();
        bool cutShort;
    } cases[] = {
        {"a change of the code file", true, &TimerThread::codeFileChanged, true},
        {"the end of the program", false, &TimerThread::stop, true},
        {"a change not followed", false, &TimerThread::codeFileChanged, false},
    };
    for (const Case& c : cases) {
        TimerThread timer([] { return 100.0; }, [] {}, [&] { return c.follows; });
        const auto start = Clock::now();
        std::thread pausing([&] { timer.pause(c.cutShort ? 3000 : 50); });  // 30 s, or 0.5 s
        std::this_thread::sleep_for(100ms);
        (timer.*c.interrupt)();
        pausing.join();
        const auto took = Clock::now() - start;
        if (c.cutShort) EXPECT_LT(took, 10s) << c.name;
        else EXPECT_GE(took, 500ms) << c.name;
    }
}

}  // namespace
