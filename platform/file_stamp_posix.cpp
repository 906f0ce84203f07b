#include <sys/stat.h>

#include "platform/file_stamp.h"
#include "platform/path.h"

namespace platform {

std::optional<FileStamp> fileStamp(const std::string& path) {
    auto native = toNative(path);
    struct stat st;
    if (!native || ::stat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileStamp stamp;
    stamp.size = std::uint64_t(st.st_size);
    stamp.modified = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    stamp.identity = std::uint64_t(st.st_ino);
    stamp.changed = std::chrono::seconds(st.st_ctim.tv_sec) + std::chrono::nanoseconds(st.st_ctim.tv_nsec);
    return stamp;
}

std::chrono::nanoseconds fileTimeNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
}

}  // namespace platform
