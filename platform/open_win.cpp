#include "platform/open_win.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/fs.h"

namespace platform::win {

Status lastErrorStatus(const std::string& what, const std::string& path, DWORD err) {
    std::string msg = what + " " + path + ": " + osErrorText(int(err));
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) {
        return Status::notFound(msg, int(err));
    }
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION) {
        return Status::locked(path + " is in use by another process", int(err));
    }
    return Status::ioError(msg, int(err));
}

bool isDevicePath(const std::string& path) {
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 4 && sep(path[0]) && sep(path[1]) && (path[2] == '.' || path[2] == '?') &&
        sep(path[3])) {
        return true;
    }
    std::size_t slash = path.find_last_of("\\/:");
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    static const std::array<const char*, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$",
                                                      "CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), base) != kNames.end()) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '0' && base[3] <= '9';
}

Status openRegular(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                   bool followLinks, HANDLE* handle) {
    *handle = INVALID_HANDLE_VALUE;
    if (isDevicePath(path)) return Status::notFound("cannot open " + path + ": not a file");
    DWORD flags = FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastErrorStatus("cannot open", path, GetLastError());
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return Status::notFound("cannot open " + path + ": not a file");
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CloseHandle(h);
            return Status::ioError("cannot open " + path + ": it is a folder",
                                   int(ERROR_DIRECTORY));
        }
        if (!followLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            CloseHandle(h);
            return Status::ioError("cannot open " + path + ": it is a link", int(ERROR_CANT_ACCESS_FILE));
        }
    }
    *handle = h;
    return {};
}

}  // namespace platform::win
