#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/file_kind.h"
#include "platform/open_win.h"

namespace platform {

FileKind fileKindAt(const std::string& path) {
    if (win::isDevicePath(path)) return FileKind::Other;
    // Without FILE_FLAG_OPEN_REPARSE_POINT nothing follows here: the
    // attributes are the name's own.
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return FileKind::Link;
    if (a & FILE_ATTRIBUTE_DEVICE) return FileKind::Other;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::Regular;
}

}  // namespace platform
