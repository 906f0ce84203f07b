#include <atomic>
#include <mutex>

#include "errors/call_stack.h"
#include "errors/error.h"

namespace errors {
namespace {

std::mutex g_mutex;
Handler g_handler;

// The innermost scope's handler; owned by that scope, on its thread's stack.
// A plain pointer: thread_local objects with destructors are unsafe where the
// thread's storage is freed before they run (MinGW's emulated TLS).
thread_local const Handler* t_scopeHandler = nullptr;

std::atomic<long> g_nextThreadId{1};

}  // namespace

Action defaultOrUnwind(Error& e) {
    if (!e.canDefault) throw Unwind(e);
    return Action::Default;
}

Handler setHandler(Handler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

ThreadHandlerScope::ThreadHandlerScope(Handler handler)
    : m_handler(std::move(handler)), m_previous(t_scopeHandler) {
    t_scopeHandler = &m_handler;
}

ThreadHandlerScope::~ThreadHandlerScope() { t_scopeHandler = m_previous; }

long currentThreadId() {
    thread_local long id = g_nextThreadId.fetch_add(1);
    return id;
}

Handler currentHandler() {
    if (t_scopeHandler && *t_scopeHandler) return *t_scopeHandler;
    std::lock_guard lock(g_mutex);
    return g_handler;
}

// Not inlined, so that the stack recorded below starts at our caller.
[[gnu::noinline]] Action raise(Error& error) {
    ++error.tries;
    error.thread = currentThreadId();
    error.stack = captureStack(1);
    Handler handler = currentHandler();
    if (!handler) throw Unwind(error);
    Action action = handler(error);
    if (action == Action::Retry && error.canRetry) return action;
    if (action == Action::Default && error.canDefault) return action;
    throw Unwind(error);
}

}  // namespace errors
