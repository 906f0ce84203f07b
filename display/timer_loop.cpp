#include "display/timer_loop.h"

#include <chrono>

namespace display {

TimerLoop::TimerLoop(std::function<double()> period, Hooks hooks)
    : m_period(std::move(period)), m_hooks(std::move(hooks)) {}

void TimerLoop::run() {
    auto effective = [](double t) { return t < 2 ? 2.0 : t; };
    double nTime = effective(m_period());
    for (;;) {
        m_hooks.turn();
        double nTick = 2;
        while (nTick <= nTime) {
            if (!m_hooks.tick()) return;
            nTime = m_period();
            if (nTime == kNoTurns) nTick = 0;
            nTime = effective(nTime);
            nTick += 1;
        }
    }
}

TimerThread::TimerThread(std::function<double()> period, std::function<void()> turn)
    : m_loop(std::move(period), {std::move(turn), [this] { return tick(); }}) {}

TimerThread::~TimerThread() { stop(); }

void TimerThread::start() {
    if (!m_thread.joinable()) m_thread = std::thread([this] { m_loop.run(); });
}

void TimerThread::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool TimerThread::tick() {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop; });
    return !m_stop;
}

}  // namespace display
