#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace core {

// Keeps turns of the display cycle one at a time: the timer thread and the
// GUI thread (Show, Apply/Save) both run turns, and a turn holds the lock from
// start to end.
//
// Why the GUI thread must not simply block: an error raised inside a timer
// thread turn shows its dialogue on the GUI thread while the timer thread
// waits for the answer, still holding the lock. If the GUI thread then blocked
// on the lock (the user pressed Show), the dialogue could never be shown or
// answered: a deadlock. So the GUI thread acquires with lockPumping: it tries
// for a short moment and, while the lock is busy, keeps its event loop going
// through the callback it passes (QCoreApplication::processEvents in the
// program). The dialogue is shown and answered meanwhile, the timer thread's
// turn ends, and the GUI thread's turn runs after it. Nothing is lost or
// reordered; the GUI turn just starts late.
//
// A turn asked for on a thread that is already inside a turn (an event
// handled in a nested event loop, such as the dialogue of an error raised in a
// GUI thread turn) is refused (false) and must be skipped: waiting would
// never end, since the lock is held further down the same thread's stack.
class TurnLock {
public:
    // Waits for the lock (timer thread, or any thread without an event loop).
    // False, without waiting, when the calling thread holds it already.
    bool lock();

    // Waits for the lock while calling `pumpEvents` every few milliseconds
    // (GUI thread). `pumpEvents` may itself run turns (nested lockPumping);
    // it must not throw. False, without waiting, when the calling thread holds
    // the lock already.
    bool lockPumping(const std::function<void()>& pumpEvents);

    // Releases the lock; only by the thread that holds it.
    void unlock();

    // True when the calling thread holds the lock.
    bool heldByCurrentThread() const;

private:
    std::timed_mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
};

// Holds a TurnLock for one turn. owns() is false when the turn must be
// skipped (the thread was already inside a turn).
class TurnGuard {
public:
    explicit TurnGuard(TurnLock& lock) : m_lock(lock), m_owns(lock.lock()) {}
    TurnGuard(TurnLock& lock, const std::function<void()>& pumpEvents)
        : m_lock(lock), m_owns(lock.lockPumping(pumpEvents)) {}
    ~TurnGuard() {
        if (m_owns) m_lock.unlock();
    }
    TurnGuard(const TurnGuard&) = delete;
    TurnGuard& operator=(const TurnGuard&) = delete;

    bool owns() const { return m_owns; }

private:
    TurnLock& m_lock;
    bool m_owns;
};

}  // namespace core
