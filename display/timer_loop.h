#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "display/display_mode.h"

namespace display {

// The display timer: one turn, then a wait of the current period (tenths of a
// second) in ticks of 0.1 second, re-reading the period at every tick so a
// change takes effect during the wait. While the period is kNoTurns no turn
// comes; a period below 2 counts as 2, so the thread never spins. A change of
// the code file that the data monitor follows ends the wait at once.
class TimerLoop {
public:
    enum class Tick {
        Elapsed,  // a tick of 0.1 second has passed
        Changed,  // the code file changed and settled: a turn now
        Stop,     // the loop must end
    };
    struct Hooks {
        std::function<void()> turn;
        // Waits one tick, or less when the code file changes.
        std::function<Tick()> tick;
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
//
// Changes of the code file (codeFileChanged, from its watcher) end the wait
// while `followsChanges` says the data monitor runs. A burst of writes (a file
// written in pieces) gives one turn once it has settled: the writer has closed
// the file (codeFileClosed, where the system tells), or no change for
// `settle`, or at most kMaxSettle after its first change. A tick that ends
// while a burst is still settling waits for it too, so the poll does not read
// a half-written code either.
//
// Other threads hand turns to this one (askTurn): the thread runs them at once
// when it waits, else as soon as its turn in progress ends, in the order they
// were asked for, and then goes on with its wait. So no other thread ever runs
// a turn, and the one asking never waits for one.
class TimerThread {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSettle{40};
    static constexpr std::chrono::milliseconds kMaxSettle{500};

    TimerThread(std::function<double()> period, std::function<void()> turn,
                std::function<bool()> followsChanges = {},
                std::chrono::milliseconds settle = kSettle);
    ~TimerThread();
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    // Starts the thread: its first turn comes after `delay`. Turns asked for
    // meanwhile run at once.
    void start(std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // `betweenTicks` runs on this thread after every tick of the wait (about
    // every tenth of a second, never during a turn), for what steps on by
    // itself between turns (the views of an item). Before start().
    void setBetweenTicks(std::function<void()> betweenTicks) { m_betweenTicks = std::move(betweenTicks); }

    // Asks the loop to end at its next tick and waits for it (after a turn in
    // progress has finished; a turn's pause ends at once). Safe to call twice.
    void stop();
    // As stop(), waiting at most `patience`. False when a turn still runs
    // then (it waits for something that does not come back): the thread is
    // left running, and the caller must end the process without destroying
    // this object or what the turn uses.
    bool stop(std::chrono::milliseconds patience);

    // Runs `turn` on this thread at once, or when the turn in progress ends.
    // Never waits and never runs it on the calling thread. Asked before
    // start(), it runs once the thread has started; after stop(), never.
    // Any thread.
    void askTurn(std::function<void()> turn);

    // askTurn, then waits until `turn` has run, at most `patience`. False
    // when it had not run by then (a turn in progress that does not end, a
    // thread not started or stopped): the caller goes on without it. Not
    // from this thread's own turns. Any other thread.
    bool awaitTurn(std::function<void()> turn, std::chrono::milliseconds patience);

    // The code file may have changed. Any thread; returns at once. Ignored
    // unless `followsChanges` says yes.
    void codeFileChanged();
    // The till has closed the code file after writing it: the changes need no
    // settling, the turn runs at once. Any thread; ignored as codeFileChanged.
    void codeFileClosed();

    // The display cycle's pauses: waits `hundredths` of a second, ending early
    // when the loop is stopped or the code file changes while followed (the
    // flasher's blink or the missing-file pause then give way to the new
    // code). Any thread.
    void pause(int hundredths);

private:
    TimerLoop::Tick tick();
    bool follows() const { return !m_followsChanges || m_followsChanges(); }

    struct Burst {
        Clock::time_point first, last;
        bool closed = false;  // the writer has closed the file: settled now
    };

    TimerLoop m_loop;
    std::function<bool()> m_followsChanges;
    std::function<void()> m_betweenTicks;
    const std::chrono::milliseconds m_settle;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_ended = false;          // the loop has returned
    std::condition_variable m_endedCv;
    std::optional<Burst> m_burst;  // changes not yet turned
    std::deque<std::function<void()>> m_asked;  // turns other threads asked for
    std::thread m_thread;
};

}  // namespace display
