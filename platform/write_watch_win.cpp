#include "platform/write_watch.h"

#include <windows.h>

#include "platform/path.h"

namespace platform {

// Windows tells whether a writer has the file open through openForWriting;
// the watch itself has nothing to report.
struct WriteWatch::Impl {};

WriteWatch::WriteWatch() : m(std::make_unique<Impl>()) {}
WriteWatch::~WriteWatch() = default;
bool WriteWatch::watch(const std::string&) { return false; }
int WriteWatch::descriptor() const { return -1; }
WriteWatch::Happened WriteWatch::take() { return Happened::Nothing; }

std::optional<bool> openForWriting(const std::string& path) {
    const auto native = toNative(path);
    if (!native) return std::nullopt;
    // Reading while refusing to share writing: a program that has the file
    // open for writing makes this fail with a sharing violation.
    HANDLE h = CreateFileA(native->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    if (GetLastError() == ERROR_SHARING_VIOLATION) return true;
    return std::nullopt;
}

std::optional<std::uint64_t> identityOf(const std::string& path) {
    const auto native = toNative(path);
    if (!native) return std::nullopt;
    HANDLE h = CreateFileA(native->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return (std::uint64_t(info.dwVolumeSerialNumber) << 40) ^
           (std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
}

}  // namespace platform
