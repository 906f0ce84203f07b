#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What tells one version of a file from the next without reading it. A file
// rewritten in place within the file system's time resolution (a few
// milliseconds on Linux, two seconds on FAT) with the same size keeps its
// stamp: callers that must not miss such a rewrite trust only stamps whose
// last write lies a while back.
// A writer can put a file's modification time back after rewriting it; the
// change time it cannot (POSIX: the inode's change time, which any write or
// change of the times sets to now; Windows: the change time of the file's
// basic information), so it is part of the stamp.
struct FileStamp {
    std::uint64_t size = 0;
    std::chrono::nanoseconds modified{0};  // last write, since 1970-01-01 UTC
    std::uint64_t identity = 0;            // the inode on POSIX, the volume and file index on
                                           // Windows: a file renamed into place has a new one
    std::chrono::nanoseconds changed{0};   // last change of the file or its times, since 1970

    bool operator==(const FileStamp&) const = default;
    auto operator<=>(const FileStamp&) const = default;
};

// The stamp of the regular file `path` (program form), or nullopt when there
// is no such file (missing, a folder or a device). Thread-safe.
std::optional<FileStamp> fileStamp(const std::string& path);

// The time now on the same scale as FileStamp::modified.
std::chrono::nanoseconds fileTimeNow();

}  // namespace platform
