#include "core/display_state.h"

#include <atomic>

namespace core {
namespace {

std::atomic<bool> g_stop{false};

}  // namespace

bool StopDisplay() { return g_stop.load(); }

bool StopDisplay(bool lNew) {
    g_stop.store(lNew);
    return lNew;
}

void resetDisplayState() { StopDisplay(false); }

}  // namespace core
