#pragma once

#include <string>

namespace platform {

// What stands at a name itself: a symbolic link (or, on Windows, any reparse
// point) is reported as one, never followed.
enum class FileKind { Missing, Regular, Folder, Link, Other };

// The kind of what is at `path` (program form, see path.h). Missing also for a
// path that cannot be mapped. Thread-safe.
FileKind fileKindAt(const std::string& path);

}  // namespace platform
