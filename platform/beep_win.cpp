#include <windows.h>

#include <algorithm>

#include "platform/beep.h"

namespace platform {

Status playTone(int hz, int ticks) {
    if (hz < 20 || hz > 20000 || ticks < 1) return {};
    // Beep() takes 37..32767 Hz and blocks for the tone's length.
    const DWORD ms = static_cast<DWORD>(std::min(ticks, 180) * 1000 / kTicksPerSecond);
    if (!::Beep(static_cast<DWORD>(std::max(hz, 37)), ms)) {
        DWORD err = ::GetLastError();
        return Status::notFound("no sound device for Beep()", static_cast<int>(err));
    }
    return {};
}

}  // namespace platform
