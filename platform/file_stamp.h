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
struct FileStamp {
    std::uint64_t size = 0;
    std::chrono::nanoseconds modified{0};  // last write, since 1970-01-01 UTC
    std::uint64_t identity = 0;            // the inode on POSIX (a file renamed into place has a new one); 0 on Windows

    bool operator==(const FileStamp&) const = default;
    auto operator<=>(const FileStamp&) const = default;
};

// The stamp of the regular file `path` (program form), or nullopt when there
// is no such file (missing, a folder or a device). Thread-safe.
std::optional<FileStamp> fileStamp(const std::string& path);

// The time now on the same scale as FileStamp::modified.
std::chrono::nanoseconds fileTimeNow();

}  // namespace platform
