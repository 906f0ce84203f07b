#pragma once

#include <functional>

// How the program ends after an error the user chose to end on, or when the
// error allows nothing else (the error handler's services.endProgram).
namespace startup {

// The exit procedure endProgram runs (the program's AppExit).
// Set once at start-up. Any thread.
void setExitProcedure(std::function<void()> procedure);

// Ends the program at once with `exitCode`: runs the exit procedure (once,
// whoever calls), flushes the standard streams and ends the process without
// running static destructors, so threads still running cannot trip over them.
// Any thread.
[[noreturn]] void endProgram(int exitCode);

}  // namespace startup
