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

// One display turn as a recovery point: runs `turn`; when an error unwinds
// out of it, runs `cleanUp` (close the thread's tables) with errors aborting
// it silently, and returns false, so that the caller goes on with the next
// turn. `onAbandoned`, when given, is told the error that ended the turn.
// Other exceptions pass through. Any thread; call it with the turn lock held
// (display::TurnGate), so that the clean-up is done before another turn starts.
bool recoverTurn(const std::function<void()>& turn, const std::function<void()>& cleanUp,
                 const std::function<void(const Error&)>& onAbandoned = {});

}  // namespace errors
