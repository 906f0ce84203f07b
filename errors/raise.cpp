#include <atomic>
#include <mutex>

#include "errors/call_stack.h"
#include "errors/error.h"

namespace errors {
namespace {

std::mutex g_mutex;
Handler g_handler;

thread_local Handler t_scopeHandler;

std::atomic<long> g_nextThreadId{1};

}  // namespace

Handler setHandler(Handler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

ThreadHandlerScope::ThreadHandlerScope(Handler handler) : m_previous(std::move(t_scopeHandler)) {
    t_scopeHandler = std::move(handler);
}

ThreadHandlerScope::~ThreadHandlerScope() { t_scopeHandler = std::move(m_previous); }

long currentThreadId() {
    thread_local long id = g_nextThreadId.fetch_add(1);
    return id;
}

// Not inlined, so that the stack recorded below starts at our caller.
[[gnu::noinline]] Action raise(Error& error) {
    ++error.tries;
    error.thread = currentThreadId();
    error.stack = captureStack(1);
    Handler handler = t_scopeHandler;
    if (!handler) {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    if (!handler) throw Unwind(error);
    Action action = handler(error);
    if (action == Action::Retry && error.canRetry) return action;
    if (action == Action::Default && error.canDefault) return action;
    throw Unwind(error);
}

}  // namespace errors
