#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace display {

// Keeps turns of the display cycle apart: run() waits while another turn is
// running. The program runs every turn on the display timer thread (its own
// and those that the GUI thread asks for through TimerThread::askTurn), so
// the GUI thread never enters the gate and never waits for a turn. A run-time
// error that unwinds a turn is caught inside the turn (errors::recoverTurn),
// so the tables are closed before the gate is free.
class TurnGate {
public:
    // Runs `turn` holding the gate, waiting while another turn runs. Any
    // thread except one already inside a turn.
    void run(const std::function<void()>& turn);

    // True while a turn runs (for tests and diagnostics).
    bool busy() const;

    // `observer` is called with true as each turn begins (holding the gate)
    // and with false once it has ended, on the turn's thread: the local
    // picture store's filler pauses meanwhile. Set it before any turn runs.
    void setObserver(std::function<void(bool running)> observer);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_busy = false;
    std::function<void(bool running)> m_observer;
};

}  // namespace display
