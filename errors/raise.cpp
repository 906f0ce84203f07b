#include <atomic>
#include <mutex>

#include "errors/error.h"

namespace errors {
namespace {

std::mutex g_mutex;
Handler g_handler;

std::atomic<long> g_nextThreadId{1};

}  // namespace

Handler setHandler(Handler handler) {
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

long currentThreadId() {
    thread_local long id = g_nextThreadId.fetch_add(1);
    return id;
}

Action raise(Error& error) {
    ++error.tries;
    error.thread = currentThreadId();
    Handler handler;
    {
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
