#pragma once

// The supervised display's sign of life to the watchdog that started it (see
// app/watchdog.h): one byte on the process's standard output, a pipe that the
// watchdog reads. No Qt.
namespace platform {

inline constexpr char kHeartbeat = '\x06';

// Writes kHeartbeat to the standard output at once, past any buffer. Never
// waits: false when the pipe is full (the reader is behind) or nobody reads it
// any more (the watchdog ended), or there is no standard output; a pipe whose
// reader has gone never ends the process (no SIGPIPE). Any thread.
bool sendHeartbeat();

}  // namespace platform
