#pragma once

// The run-time set-up before Main (table engines, error handler), Main itself
// with its event loop, and the exit procedure. Returns the exit code.
namespace app {

int runProgram(int argc, char** argv);

}  // namespace app
