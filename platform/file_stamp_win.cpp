#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/file_stamp.h"

namespace platform {
namespace {

// FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
std::chrono::nanoseconds sinceUnixEpoch(FILETIME t) {
    constexpr std::int64_t kStepsTo1970 = 116444736000000000;
    const std::int64_t steps = std::int64_t((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    return std::chrono::nanoseconds((steps - kStepsTo1970) * 100);
}

}  // namespace

std::optional<FileStamp> fileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return std::nullopt;
    FileStamp stamp;
    stamp.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modified = sinceUnixEpoch(data.ftLastWriteTime);
    // The file index and the change time need a handle (no access asked).
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info)) {
            stamp.identity = (std::uint64_t(info.dwVolumeSerialNumber) << 40) ^
                             ((std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
        }
        FILE_BASIC_INFO basic;
        if (GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
            FILETIME t;
            t.dwLowDateTime = DWORD(basic.ChangeTime.QuadPart & 0xFFFFFFFF);
            t.dwHighDateTime = DWORD(std::uint64_t(basic.ChangeTime.QuadPart) >> 32);
            stamp.changed = sinceUnixEpoch(t);
        }
        CloseHandle(h);
    }
    return stamp;
}

std::chrono::nanoseconds fileTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return sinceUnixEpoch(now);
}

}  // namespace platform
