#include "platform/beep.h"

#include <atomic>

namespace platform {

BackgroundBeeper::BackgroundBeeper(PlayFn play) : m_play(std::move(play)) {}

BackgroundBeeper::~BackgroundBeeper() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void BackgroundBeeper::beep(int hz, int ticks) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stop || m_playing || m_pending) return;  // dropped, see beep.h
        m_pending = Tone{hz, ticks};
        if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_one();
}

bool BackgroundBeeper::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [this] { return !m_playing && !m_pending; });
}

void BackgroundBeeper::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop) break;
        Tone tone = *m_pending;
        m_pending.reset();
        m_playing = true;
        lock.unlock();
        m_play(tone.hz, tone.ticks);
        lock.lock();
        m_playing = false;
        m_idle.notify_all();
    }
    m_playing = false;
    m_pending.reset();
    m_idle.notify_all();
}

namespace {

// Never destroyed: a tone still playing at the end of the program must not
// hold up its exit, and the thread then simply ends with the process.
BackgroundBeeper& systemPlayer() {
    static BackgroundBeeper* player =
        new BackgroundBeeper([](int hz, int ticks) { (void)playTone(hz, ticks); });
    return *player;
}

std::atomic<Beeper*> g_beeper{nullptr};  // nullptr: the system's player

}  // namespace

void beep(int hz, int ticks) {
    Beeper* b = g_beeper.load();
    if (b) {
        b->beep(hz, ticks);
    } else {
        systemPlayer().beep(hz, ticks);
    }
}

Beeper* setBeeper(Beeper* b) {
    Beeper* old = g_beeper.exchange(b);
    return old ? old : &systemPlayer();
}

bool waitForBeeps(std::chrono::milliseconds limit) {
    return systemPlayer().waitIdle(limit);
}

}  // namespace platform
