#include "platform/heartbeat.h"

#include <windows.h>

namespace platform {

bool sendHeartbeat(Beat beat) {
    const char byte = static_cast<char>(beat);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
    // Never block the GUI thread that beats: a pipe in no-wait mode takes what
    // fits now and leaves the rest. (Not a pipe: the call fails, harmlessly.)
    static const bool noWait = [out] {
        DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
        return SetNamedPipeHandleState(out, &mode, nullptr, nullptr) != 0;
    }();
    static_cast<void>(noWait);
    DWORD written = 0;
    return WriteFile(out, &byte, 1, &written, nullptr) && written == 1;
}

}  // namespace platform
