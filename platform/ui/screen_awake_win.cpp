#include "platform/ui/screen_awake.h"

#include <windows.h>

#include <atomic>

namespace platform::ui {
namespace {

// The thread whose execution state holds the screen on; 0 when none.
std::atomic<DWORD> g_holder{0};

void releaseOn(DWORD thread) {
    DWORD expected = thread;
    if (thread != 0 && g_holder.compare_exchange_strong(expected, 0)) {
        SetThreadExecutionState(ES_CONTINUOUS);
    }
}

}  // namespace

ScreenAwake::ScreenAwake() {
    m_holding = SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED) != 0;
    if (m_holding) g_holder = GetCurrentThreadId();
}

ScreenAwake::~ScreenAwake() {
    if (m_holding) releaseOn(GetCurrentThreadId());
}

void ScreenAwake::releaseAll() {
    // Only the holding thread can clear its state; on another thread the
    // state ends with the process, which follows at once.
    releaseOn(GetCurrentThreadId());
}

}  // namespace platform::ui
