#pragma once

#include <functional>

#include "errors/error.h"

// Recovery points: places where an unwinding error (errors::Unwind) is
// caught and the program goes on.
namespace errors {

// For its lifetime, every error raised on the calling thread aborts the step
// it happens in, without a dialogue; errors of other threads still reach the
// process-wide handler. The exit procedure (commit and close every table) and
// the error log's file opening work under it. One thread; scopes nest.
class AbortEachStep {
public:
    AbortEachStep();

    // Runs `step`; returns false when an error aborted it.
    bool run(const std::function<void()>& step);

private:
    ThreadHandlerScope m_scope;
};

// For its lifetime, errors raised on the calling thread that `matches` unwind
// at once (errors::Unwind), without a dialogue; every other error goes to the
// handler it would reach without this scope. For a caller that turns one kind
// of failure into a result of its own (the lookup's damaged index). One
// thread; scopes nest.
class UnwindWhen {
public:
    explicit UnwindWhen(std::function<bool(const Error&)> matches);

private:
    ThreadHandlerScope m_scope;
};

// One display turn as a recovery point: runs `turn`; when an error unwinds
// out of it, runs `cleanUp` (close the thread's tables) with errors aborting
// it silently, and returns false, so that the caller goes on with the next
// turn. `onAbandoned`, when given, is told the error that ended the turn.
// Other exceptions pass through. Any thread; call it with the turn lock held
// (display::TurnGate), so that the clean-up is done before another turn starts.
bool recoverTurn(const std::function<void()>& turn, const std::function<void()>& cleanUp,
                 const std::function<void(const Error&)>& onAbandoned = {});

// The last stop of an error that unwinds out of a thread's outermost call with
// no recovery point on its way (the user answered No to "Exit with LOG file"
// where nothing can abandon just the one step), and of any other exception
// that gets that far: the error log, then the end of the program with exit
// code 1 and the exit procedure, as after Abort in the dialogue. Uses the
// services ErrorSys installed. Any thread. Another exception (memory
// exhausted, a fault in the program) is logged as an error of subsystem
// "LUMISETT" with the exception's text as description.
[[noreturn]] void endUnrecovered(const Error& error);

// Runs `step` as a thread's outermost call (the start-up, each event the GUI
// thread delivers, a worker's body): whatever escapes it ends the program
// through endUnrecovered instead of std::terminate. Returns when `step`
// returns.
void runOutermost(const std::function<void()>& step);

// Makes std::terminate (an exception escaping a thread, or a noexcept
// function) end the program through endUnrecovered too; the last net behind
// runOutermost. Once, at start-up.
void endUnrecoveredAtTerminate();

}  // namespace errors
