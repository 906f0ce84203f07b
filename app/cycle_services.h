#pragma once

#include "display/display_cycle.h"

namespace app {

// The display cycle's services wired to the real program: the lookup, the
// picture finder, files, the thread's tables and the slide show list table.
display::CycleServices makeCycleServices();

}  // namespace app
