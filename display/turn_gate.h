#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace display {

// Keeps turns of the display cycle apart without ever blocking the GUI thread.
//
// The timer thread runs its turns with run(), which waits while another turn
// is running. The GUI thread (Show, Apply/Save) uses runOrQueue(): when no
// turn is running, its turn runs at once on the GUI thread; when one is (the
// timer thread may be in its 5-second pause after a missing code file, or
// waiting in an error dialogue that the GUI thread itself shows), the turn is
// queued and the thread holding the gate runs it as soon as its own turn ends.
// So a GUI action never waits for the turn lock and cannot deadlock against
// a timer-thread turn that waits for the GUI. A turn asked for inside a turn
// of the same thread (Show pressed while a GUI turn shows an error dialogue in
// a nested event loop) is queued the same way and runs when the outer turn
// ends. A run-time error that unwinds a turn is caught inside the turn
// (errors::recoverTurn), so the tables are closed before the gate is free.
class TurnGate {
public:
    // Runs `turn` now when the gate is free (returns true), else queues it
    // (returns false). Never waits. Any thread.
    bool runOrQueue(std::function<void()> turn);

    // Runs `turn` holding the gate, waiting while another turn runs, then the
    // turns queued meanwhile. Any thread except one already inside a turn.
    void run(std::function<void()> turn);

    // True while a turn runs (for tests and diagnostics).
    bool busy() const;

private:
    void finish();

    mutable std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_busy = false;
    std::deque<std::function<void()>> m_queue;
};

}  // namespace display
