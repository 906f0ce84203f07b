#include <utility>
#include <vector>

#include "platform/thread_exit.h"

namespace platform {
namespace {

// glibc runs thread_local destructors while the thread's storage is intact,
// and those of the main thread at exit.
struct ExitCalls {
    std::vector<std::pair<void (*)(void*), void*>> calls;
    ~ExitCalls() {
        while (!calls.empty()) {
            auto [fn, arg] = calls.back();
            calls.pop_back();
            fn(arg);
        }
    }
};

}  // namespace

void atThreadExit(void (*fn)(void*), void* arg) {
    thread_local ExitCalls t;
    t.calls.emplace_back(fn, arg);
}

}  // namespace platform
