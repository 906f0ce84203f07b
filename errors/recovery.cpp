#include "errors/recovery.h"

#include <atomic>
#include <cstdlib>
#include <exception>
#include <new>

#include "errors/call_stack.h"

namespace errors {

AbortEachStep::AbortEachStep() : m_scope([](Error& e) -> Action { throw Unwind(e); }) {}

bool AbortEachStep::run(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const Unwind&) {
        return false;
    }
}

UnwindWhen::UnwindWhen(std::function<bool(const Error&)> matches)
    : m_scope([matches = std::move(matches), outer = currentHandler()](Error& e) -> Action {
          if (matches(e) || !outer) throw Unwind(e);
          return outer(e);
      }) {}

bool recoverTurn(const std::function<void()>& turn, const std::function<void()>& cleanUp,
                 const std::function<void(const Error&)>& onAbandoned) {
    try {
        turn();
        return true;
    } catch (const Unwind& unwind) {
        if (cleanUp) AbortEachStep().run(cleanUp);
        if (onAbandoned) onAbandoned(unwind.error());
        return false;
    }
}

namespace {

// The error object for an exception that is not a run-time error, with the
// stack where it was caught.
Error unexpectedError(const std::exception* exception) {
    Error e;
    e.subSystem = "LUMISETT";
    e.description = !exception                                    ? "unknown exception"
                    : dynamic_cast<const std::bad_alloc*>(exception) ? "out of memory"
                                                                   : exception->what();
    e.thread = currentThreadId();
    e.stack = captureStack(1);
    return e;
}

// What escaped: the error it unwound with, or one made for it.
[[noreturn]] void endWithCurrentException() {
    try {
        throw;
    } catch (const Unwind& unwind) {
        endUnrecovered(unwind.error());
    } catch (const std::exception& e) {
        endUnrecovered(unexpectedError(&e));
    } catch (...) {
        endUnrecovered(unexpectedError(nullptr));
    }
}

}  // namespace

void runOutermost(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
        endWithCurrentException();
    }
}

void endUnrecoveredAtTerminate() {
    std::set_terminate([] {
        // A second failure while ending (in the log, the exit procedure) aborts.
        static std::atomic<bool> ending{false};
        if (std::current_exception() && !ending.exchange(true)) endWithCurrentException();
        std::abort();
    });
}

}  // namespace errors
