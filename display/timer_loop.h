#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "display/display_mode.h"

namespace display {

// The display timer: one turn, then a wait of the current period (tenths of a
// second) in ticks of 0.1 second, re-reading the period at every tick so a
// change takes effect during the wait. While the period is kNoTurns no turn
// comes; a period below 2 counts as 2, so the thread never spins.
class TimerLoop {
public:
    struct Hooks {
        std::function<void()> turn;
        // Sleeps one tick (0.1 second); returns false when the loop must stop.
        std::function<bool()> tick;
    };

    // `period` gives the current period (DisplayMode::period); any thread.
    TimerLoop(std::function<double()> period, Hooks hooks);

    // Runs turns until a tick reports a stop. Never throws out of a turn.
    void run();

private:
    std::function<double()> m_period;
    Hooks m_hooks;
};

// A TimerLoop on its own std::thread with a real 0.1-second tick, stopped and
// joined cleanly by stop() or the destructor.
class TimerThread {
public:
    TimerThread(std::function<double()> period, std::function<void()> turn);
    ~TimerThread();
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    void start();
    // Asks the loop to end at its next tick and waits for it (after a turn in
    // progress has finished). Safe to call twice.
    void stop();

private:
    bool tick();

    TimerLoop m_loop;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace display
