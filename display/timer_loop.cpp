#include "display/timer_loop.h"

#include <future>
#include <memory>

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
            const Tick tick = m_hooks.tick();
            if (tick == Tick::Stop) return;
            nTime = m_period();
            if (tick == Tick::Changed && nTime != kNoTurns) break;
            if (nTime == kNoTurns) nTick = 0;
            nTime = effective(nTime);
            nTick += 1;
        }
    }
}

TimerThread::TimerThread(std::function<double()> period, std::function<void()> turn,
                         std::function<bool()> followsChanges, std::chrono::milliseconds settle)
    : m_loop(std::move(period), {std::move(turn), [this] { return tick(); }}),
      m_followsChanges(std::move(followsChanges)),
      m_settle(settle) {}

TimerThread::~TimerThread() { stop(); }

void TimerThread::start(std::chrono::milliseconds delay) {
    if (m_thread.joinable()) return;
    m_thread = std::thread([this, delay] {
        // The ticks before the first turn serve the turns asked for meanwhile.
        const Clock::time_point first = Clock::now() + delay;
        bool stopped = false;
        while (!stopped && Clock::now() < first) stopped = tick() == TimerLoop::Tick::Stop;
        if (!stopped) m_loop.run();
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_endedCv.notify_all();
    });
}

void TimerThread::stop() { stop(std::chrono::milliseconds::max()); }

bool TimerThread::stop(std::chrono::milliseconds patience) {
    {
        std::unique_lock lock(m_mutex);
        m_stop = true;
        m_wake.notify_all();
        if (!m_thread.joinable() || m_thread.get_id() == std::this_thread::get_id()) return true;
        const auto ended = [this] { return m_ended; };
        if (patience == std::chrono::milliseconds::max()) {
            m_endedCv.wait(lock, ended);
        } else if (!m_endedCv.wait_for(lock, patience, ended)) {
            return false;
        }
    }
    m_thread.join();
    return true;
}

void TimerThread::askTurn(std::function<void()> turn) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stop) return;
        m_asked.push_back(std::move(turn));
    }
    m_wake.notify_all();
}

bool TimerThread::awaitTurn(std::function<void()> turn, std::chrono::milliseconds patience) {
    // Shared with the turn, which may still run after a caller that gave up.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    askTurn([turn = std::move(turn), done] {
        turn();
        done->set_value();
    });
    if (ran.wait_for(patience) != std::future_status::ready) return false;
    try {
        ran.get();  // a turn dropped unrun (asked after the stop) broke its promise
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

void TimerThread::codeFileChanged() {
    if (!follows()) return;
    {
        std::lock_guard lock(m_mutex);
        const Clock::time_point now = Clock::now();
        if (m_burst) m_burst->last = now;
        else m_burst = Burst{now, now};
    }
    m_wake.notify_all();
}

void TimerThread::codeFileClosed() {
    if (!follows()) return;
    {
        std::lock_guard lock(m_mutex);
        const Clock::time_point now = Clock::now();
        if (!m_burst) m_burst = Burst{now, now};
        m_burst->closed = true;
    }
    m_wake.notify_all();
}

void TimerThread::pause(int hundredths) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(10 * hundredths),
                    [this] { return m_stop || m_burst.has_value(); });
}

TimerLoop::Tick TimerThread::tick() {
    std::unique_lock lock(m_mutex);
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(100);
    for (;;) {
        if (m_stop) return TimerLoop::Tick::Stop;
        if (!m_asked.empty()) {
            // Between the timer's own turns; the tick then goes on.
            std::function<void()> turn = std::move(m_asked.front());
            m_asked.pop_front();
            lock.unlock();
            turn();
            lock.lock();
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (m_burst) {
            const Clock::time_point settled =
                m_burst->closed ? now : std::min(m_burst->last + m_settle, m_burst->first + kMaxSettle);
            if (now >= settled) {
                m_burst.reset();
                lock.unlock();
                // The source may have changed while the burst settled.
                if (follows()) return TimerLoop::Tick::Changed;
                lock.lock();
                continue;
            }
            m_wake.wait_until(lock, settled);
        } else if (now >= end) {
            if (m_betweenTicks) {
                lock.unlock();
                m_betweenTicks();
                lock.lock();
            }
            return TimerLoop::Tick::Elapsed;
        } else {
            m_wake.wait_until(lock, end);
        }
    }
}

}  // namespace display
