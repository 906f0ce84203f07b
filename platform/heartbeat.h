#pragma once

// What the supervised display tells the watchdog that started it (see
// app/watchdog.h): one byte at a time on the process's standard output, a
// pipe that the watchdog reads. No Qt.
namespace platform {

enum class Beat : char {
    Alive = '\x06',    // every second while the GUI thread's event loop runs
    Goodbye = '\x04',  // the display ends of its own accord (closed by the clerk)
};

// Writes `beat` to the standard output at once, past any buffer. Never
// waits: false when the pipe is full (the reader is behind) or nobody reads it
// any more (the watchdog ended), or there is no standard output; a pipe whose
// reader has gone never ends the process (no SIGPIPE). Any thread.
bool sendHeartbeat(Beat beat = Beat::Alive);

}  // namespace platform
