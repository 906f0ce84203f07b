#include <windows.h>

#include <utility>
#include <vector>

#include "platform/thread_exit.h"

namespace platform {
namespace {

using ExitCalls = std::vector<std::pair<void (*)(void*), void*>>;

// A fiber-local slot: Windows keeps its value and calls this with it when the
// thread ends (and for the main thread when the process exits).
void WINAPI runExitCalls(void* value) {
    auto* calls = static_cast<ExitCalls*>(value);
    if (!calls) return;
    while (!calls->empty()) {
        auto [fn, arg] = calls->back();
        calls->pop_back();
        fn(arg);
    }
    delete calls;
}

DWORD exitSlot() {
    static const DWORD slot = FlsAlloc(runExitCalls);
    return slot;
}

}  // namespace

void atThreadExit(void (*fn)(void*), void* arg) {
    DWORD slot = exitSlot();
    auto* calls = static_cast<ExitCalls*>(FlsGetValue(slot));
    if (!calls) {
        calls = new ExitCalls;
        FlsSetValue(slot, calls);
    }
    calls->emplace_back(fn, arg);
}

}  // namespace platform
