#pragma once

#include <chrono>
#include <deque>
#include <string>

// The watchdog's decisions ([Watchdog] 1): when the display it supervises is
// started again, when it is taken for hung, when the watchdog gives up, and
// the lines it leaves for the support staff. Plain values and times, no
// processes: the watchdog (app/watchdog.h) feeds it what it sees.
namespace startup {

using WatchdogClock = std::chrono::steady_clock;

// How a supervised display ended.
struct DisplayEnd {
    enum class Kind {
        Closed,         // exit code 0 after its goodbye: the clerk closed it (or
                        // another display has the profile)
        Failed,         // another exit code: an error ended it
        Crashed,        // a crash, or a kill from outside (`code`: the signal, the
                        // exception or the exit code it was killed with)
        Hung,           // no sign of life for kHungAfter: the watchdog killed it
        FailedToStart,  // the program could not be started at all
    };
    Kind kind = Kind::Closed;
    int code = 0;
};

// What the watchdog does next.
enum class WatchdogStep { End, Restart, GiveUp };

// A display whose GUI thread has not answered for this long is hung.
inline constexpr std::chrono::seconds kHungAfter{30};
// The watchdog gives up at an abnormal end that comes after kMaxRestarts
// restarts within kRestartWindow.
inline constexpr int kMaxRestarts = 5;
inline constexpr std::chrono::minutes kRestartWindow{2};
// The pause before a restart.
inline constexpr std::chrono::milliseconds kRestartDelay{500};

class RestartPolicy {
public:
    // The display ended as `end` at `now`: End after a normal close (never a
    // restart); GiveUp when kMaxRestarts restarts already lie within the
    // kRestartWindow before `now`; else Restart, which counts as a restart at
    // `now`. Times must not go backwards.
    WatchdogStep ended(DisplayEnd end, WatchdogClock::time_point now);

    // Restarts counted within the kRestartWindow before `now`.
    int recentRestarts(WatchdogClock::time_point now) const;

private:
    std::deque<WatchdogClock::time_point> m_restarts;
};

// Whether a display whose last sign of life came at `lastSign` is hung at `now`.
bool isHung(WatchdogClock::time_point lastSign, WatchdogClock::time_point now);

// What a line of the watchdog's log says about `end` ("it crashed or was
// killed (code 9)").
std::string describeEnd(DisplayEnd end);

// The watchdog's log in the program folder.
inline constexpr const char* kWatchdogLog = "lumisett-watchdog.log";

}  // namespace startup
