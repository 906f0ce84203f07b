#pragma once

#include <QTimer>
#include <memory>
#include <optional>

// The watchdog of a shop's display ([Watchdog] 1 in the profile's parameter
// file, read at the start): the program started in a supervising role, with
// no window, that runs the display as its child and starts it again when it
// ends abnormally. Its decisions are startup::RestartPolicy's
// (startup/restart_policy.h); what it does and why goes to the log
// startup::kWatchdogLog in the program folder, for the support staff.
namespace app {

// Marks the display that a watchdog started (in the child's environment).
inline constexpr const char* kSupervisedVariable = "LUMISETT_SUPERVISED";

// Runs this start as the watchdog when it is one, and returns its exit code
// once it ends: 0 after the display was closed normally, 1 when it gave up.
// The display is the same program with the same arguments (the profile and
// the start mode), started in the same folder with kSupervisedVariable set;
// its standard error is the watchdog's, its standard output the heartbeat
// pipe (other bytes on it are passed on to the watchdog's). A normal close is
// exit code 0 after the display's goodbye (WatchdogLink); any other end (a
// crash, a kill, whatever its exit code, an error) brings a restart
// kRestartDelay later, and a display without heartbeat for kHungAfter is
// killed and started again.
// Returns nullopt when the display is to run in this process instead: the
// parameter file does not ask for the watchdog, this process is the display a
// watchdog started, or a display of the profile runs already (this start then
// brings it to the front, as any second start does). Before the application
// object; main thread.
std::optional<int> runWatchdog(int argc, char** argv);

// A display's link to the watchdog that started it: a timer on the GUI
// thread sends a heartbeat every second (platform::sendHeartbeat), so that it
// beats only while the GUI thread's event loop runs; the destructor says
// goodbye, which makes the display's end a normal one. So it must be
// destroyed only when the program ends of its own accord (runProgram
// returning); a crash, a kill or startup::endProgram destroy nothing.
// GUI thread.
class WatchdogLink {
public:
    // The link when a watchdog started this display, else nullptr. After the
    // application object.
    static std::unique_ptr<WatchdogLink> forThisDisplay();
    ~WatchdogLink();

private:
    WatchdogLink();
    QTimer m_timer;
};

}  // namespace app
