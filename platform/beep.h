#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/status.h"

namespace platform {

// One tick of the beep's duration: 1/18 second, the classic PC timer tick.
constexpr double kTicksPerSecond = 18.0;

// Sounds a tone of `hz` for `ticks` ticks (1/18 s each) and returns at once:
// the tone plays on a background thread. A beep asked for while another is
// still sounding is dropped, not queued, so a burst of refused presses gives
// one beep instead of a long train. Where there is no sound device the call
// still returns at once and nothing is heard. Any thread.
void beep(int hz, int ticks);

// Whatever sounds the beeps: the system's player in the program, a recorder
// in tests.
class Beeper {
public:
    virtual ~Beeper() = default;
    // Must return without waiting for the tone.
    virtual void beep(int hz, int ticks) = 0;
};

// Installs `b` (not owned; must outlive its use) or, with nullptr, the
// system's player again. Returns the previous one.
Beeper* setBeeper(Beeper* b);

// Waits until the system's player has finished the tone it is playing (if
// any). False when it is still busy after `limit`. For tests and shut-down.
bool waitForBeeps(std::chrono::milliseconds limit);

// Plays tones one at a time on a thread of its own through `play`, which may
// block for the tone's length. beep() never waits: while a tone plays, further
// requests are dropped. The destructor waits for the tone in progress.
class BackgroundBeeper : public Beeper {
public:
    using PlayFn = std::function<void(int hz, int ticks)>;
    explicit BackgroundBeeper(PlayFn play);
    ~BackgroundBeeper() override;
    BackgroundBeeper(const BackgroundBeeper&) = delete;
    BackgroundBeeper& operator=(const BackgroundBeeper&) = delete;

    void beep(int hz, int ticks) override;
    // True once no tone is playing or waiting; false after `limit`.
    bool waitIdle(std::chrono::milliseconds limit);

private:
    struct Tone {
        int hz, ticks;
    };
    void run();

    PlayFn m_play;
    std::mutex m_mutex;
    std::condition_variable m_wake;  // a tone to play, or stop
    std::condition_variable m_idle;  // the player has nothing left
    std::optional<Tone> m_pending;
    bool m_playing = false;
    bool m_stop = false;
    std::thread m_thread;  // started with the first tone
};

// Plays the tone on the system's sound device and returns when it has been
// played: the ALSA default device on Linux (the tone followed by a little
// silence, so the device's buffering does not cut its end), Beep() on
// Windows. NotFound when there is no sound device; the caller's thread waits
// for the tone's length. Ignores hz outside 20..20000 and ticks < 1 (Ok,
// nothing played); ticks are capped at 10 seconds.
Status playTone(int hz, int ticks);

}  // namespace platform
