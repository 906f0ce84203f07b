#include "display/turn_gate.h"

namespace display {

void TurnGate::run(const std::function<void()>& turn) {
    {
        std::unique_lock lock(m_mutex);
        m_free.wait(lock, [this] { return !m_busy; });
        m_busy = true;
    }
    struct Free {
        TurnGate& gate;
        ~Free() {
            std::lock_guard lock(gate.m_mutex);
            gate.m_busy = false;
            gate.m_free.notify_all();
        }
    } free{*this};
    struct Observed {
        const std::function<void(bool)>& observer;
        explicit Observed(const std::function<void(bool)>& o) : observer(o) {
            if (observer) observer(true);
        }
        ~Observed() {
            if (observer) observer(false);
        }
    } observed{m_observer};
    turn();
}

void TurnGate::setObserver(std::function<void(bool running)> observer) {
    m_observer = std::move(observer);
}

bool TurnGate::busy() const {
    std::lock_guard lock(m_mutex);
    return m_busy;
}

}  // namespace display
