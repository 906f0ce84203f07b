#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/change_notice.h"
#include "platform/fs.h"

namespace platform {

Status changeNotice(const std::string& folder, ChangeNotice* out) {
    // A UNC path is a share whether or not it is reachable now.
    if (folder.size() > 2 && (folder[0] == '\\' || folder[0] == '/') &&
        (folder[1] == '\\' || folder[1] == '/')) {
        out->notified = false;
        out->where = "network share";
        return {};
    }
    char volume[MAX_PATH];
    if (!GetVolumePathNameA(folder.c_str(), volume, MAX_PATH)) {
        const DWORD err = GetLastError();
        return Status::ioError("cannot ask the drive: " + osErrorText(int(err)), int(err)).inFile(folder);
    }
    switch (GetDriveTypeA(volume)) {
    case DRIVE_REMOTE:
        out->notified = false;
        out->where = std::string("network drive ") + volume;
        return {};
    case DRIVE_NO_ROOT_DIR:
    case DRIVE_UNKNOWN:
        return Status::notFound("no such drive").inFile(folder);
    default:
        out->notified = true;
        out->where = std::string("local drive ") + volume;
        return {};
    }
}

}  // namespace platform
