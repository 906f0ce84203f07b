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
// once it ends: 0 after the display was closed normally (exit code 0), 1 when
// it gave up. The display is the same program with the same arguments (the
// profile and the start mode), started in the same folder with
// kSupervisedVariable set; its standard error is the watchdog's, its standard
// output the heartbeat pipe (other bytes on it are passed on to the
// watchdog's). It is started again kRestartDelay after a crash, a kill or any
// exit code but 0, and killed and started again when no heartbeat has come
// for kHungAfter.
// Returns nullopt when the display is to run in this process instead: the
// parameter file does not ask for the watchdog, this process is the display a
// watchdog started, or a display of the profile runs already (this start then
// brings it to the front, as any second start does). Before the application
// object; main thread.
std::optional<int> runWatchdog(int argc, char** argv);

// In a display a watchdog started: a timer on the GUI thread that sends the
// watchdog a heartbeat every second (platform::sendHeartbeat), so that it
// beats only while the GUI thread's event loop runs. nullptr in a display
// without watchdog. After the application object; GUI thread.
std::unique_ptr<QTimer> heartbeatForWatchdog();

}  // namespace app
