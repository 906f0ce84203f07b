#include <sys/stat.h>

#include "platform/file_kind.h"
#include "platform/path.h"

namespace platform {

FileKind fileKindAt(const std::string& path) {
    auto native = toNative(path);
    struct stat st;
    if (!native || ::lstat(native->c_str(), &st) != 0) return FileKind::Missing;
    if (S_ISLNK(st.st_mode)) return FileKind::Link;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Folder;
    return FileKind::Other;
}

}  // namespace platform
