#pragma once

#include <string>

// What the program can tell about itself and the machine it runs on, for the
// error log. No Qt; any thread.
namespace platform {

// The full path and file name of the running program ("" when unknown).
std::string programPath();

// The operating system's name and version: "Linux 6.1.0-18-amd64" from uname
// on POSIX, "Windows 10.0 (build 19045)" on Windows.
std::string osDescription();

// A Windows window program has no console of its own: when its standard
// output leads nowhere, it writes to the console it was started from, if any
// (for --help and --version). Does nothing on POSIX.
void useParentConsole();

// Makes standard output write the bytes it is given: on Windows no "\r" is
// put before each "\n" any more. Does nothing on POSIX, which never adds one.
// Call it before anything is written to standard output.
void setStdoutBinary();

}  // namespace platform
