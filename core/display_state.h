#pragma once

#include <functional>
#include <string>
#include <string_view>

// The two kept values shared by the GUI thread and the display timer thread,
// and the program's end. All functions are safe from any thread; each value is
// read and replaced whole.
namespace core {

// The display source: "SLIDES", "DATA", "FREEZE" or "KBD" (any text is
// accepted; the display cycle reads unknown ones as "DATA"). Initially "DATA".
std::string DataSource();
std::string DataSource(std::string_view cNew);  // stores, then returns it

// The display suspension flag. Initially false.
bool StopDisplay();
bool StopDisplay(bool lNew);  // stores, then returns it

// Puts both values back to their start values (for tests).
void resetDisplayState();

// The exit procedure, run once by endProgram (AppExit: commit and close every
// table). Set at start-up.
void setExitProcedure(std::function<void()> procedure);

// Ends the program at once with `exitCode`: runs the exit procedure (once,
// whoever calls), flushes the standard streams and ends the process without
// running static destructors, so threads still running cannot trip over them.
[[noreturn]] void endProgram(int exitCode);

// Ends the program at once with exit code 0; the exit procedure runs.
[[noreturn]] void Quit();

}  // namespace core
