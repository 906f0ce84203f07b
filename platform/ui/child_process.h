#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace platform::ui {

// How a child process ended.
struct ChildEnd {
    enum class Kind {
        Exited,      // of its own accord, with `exitCode`
        Crashed,     // ended by a signal (POSIX) or an abnormal end (Windows)
        TimedOut,    // killed at its time limit, or by stopChildren
        Failed,      // could not be started or waited for, or stopChildren came first
    };
    Kind kind = Kind::Failed;
    int exitCode = 0;
};

// Runs the program file `program` (a path: POSIX does not search the PATH)
// with `arguments` (as bytes on POSIX, UTF-8 on Windows) and waits for it to end,
// at most `limit`; then kills it and waits for that. Its standard input,
// output and error lead to the null device. On POSIX it gets a session of its
// own, so that a kill also ends every process it started there (an office
// converter's launcher and the office process); on Windows it gets no console
// window. Blocks the calling thread; any thread, several at once.
ChildEnd runChild(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds limit);

// For the end of the program, so that no child outlives it: kills the
// children running now (on POSIX at once; on Windows the thread waiting for
// one does within a tenth of a second) and makes every later runChild return
// Failed without starting anything. Any thread; cannot be undone.
void stopChildren();

}  // namespace platform::ui
