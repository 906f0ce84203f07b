#pragma once

#include <string>

#include "platform/status.h"

namespace platform {

// Whether the system tells a watcher of changes to files in a folder
// (inotify on Linux, FindFirstChangeNotification on Windows) whichever computer made
// them. A network file system only sees the changes made on this computer, so
// a till writing its code file on another one is noticed by the poll alone.
struct ChangeNotice {
    bool notified = false;
    // Where the folder lies, for a person: "local file system ext4",
    // "network file system nfs", "local drive", "network share" ...
    std::string where;
};

// Asks about the folder `folder` (program form, see path.h) or, when it does
// not exist, about its nearest existing parent. NotFound when not even a
// parent exists or the path cannot be mapped; IoError when the system cannot
// say. Thread-safe.
Status changeNotice(const std::string& folder, ChangeNotice* out);

}  // namespace platform
