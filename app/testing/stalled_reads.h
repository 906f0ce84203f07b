#pragma once

#include <string>

#include "app/program.h"

// Test builds only: a display whose reads wait as on a share that no longer
// answers. Never linked into the shipped program.
namespace app {

// While the file `marker` exists, every file access of the display cycle (the
// code file, the list table, the lookups, the picture files) waits, as one on
// a share that no longer answers does. For Program::wrapDisplayAccess.
Program::AccessWrapper stallReadsWhileMarked(std::string marker);

}  // namespace app
