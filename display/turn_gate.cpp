#include "display/turn_gate.h"

namespace display {

bool TurnGate::runOrQueue(std::function<void()> turn) {
    {
        std::lock_guard lock(m_mutex);
        if (m_busy) {
            m_queue.push_back(std::move(turn));
            return false;
        }
        m_busy = true;
    }
    turn();
    finish();
    return true;
}

void TurnGate::run(std::function<void()> turn) {
    {
        std::unique_lock lock(m_mutex);
        m_free.wait(lock, [this] { return !m_busy; });
        m_busy = true;
    }
    turn();
    finish();
}

bool TurnGate::busy() const {
    std::lock_guard lock(m_mutex);
    return m_busy;
}

void TurnGate::finish() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty()) {
                m_busy = false;
                m_free.notify_all();
                return;
            }
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        next();
    }
}

}  // namespace display
