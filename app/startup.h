#pragma once

#include <functional>

// The run-time set-up before Main (table engines, error handler), Main itself
// with its event loop, and the exit procedure. Returns the exit code.
// `prepare`, when set, is called with the program before it starts (the
// test builds' own mains set their hooks there).
namespace app {

class Program;

int runProgram(int argc, char** argv, const std::function<void(Program&)>& prepare = {});

}  // namespace app
