#include "platform/append_file.h"

#include <windows.h>

#include "platform/path.h"
#include "platform/write_faults.h"

namespace platform {

Status appendToFile(const std::string& path, const std::string& text, const std::string& head) {
    const auto native = toNative(path);
    if (!native) return Status::notFound("cannot map " + path).inFile(path);
    if (Status fault = injectedWriteFault("append", path); !fault.isOk()) return fault;
    // A reparse point (a link) at the name is opened as itself, then refused.
    HANDLE h = CreateFileA(native->c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return Status::ioError("cannot open for appending", int(err)).inFile(path);
    }
    Status result;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || GetFileType(h) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        result = Status::ioError("not a regular file").inFile(path);
    } else if (info.nNumberOfLinks > 1) {
        result = Status::ioError("the file has more than one name").inFile(path);
    } else {
        const bool empty = info.nFileSizeHigh == 0 && info.nFileSizeLow == 0;
        const std::string all = empty ? head + text : text;
        DWORD written = 0;
        if (!WriteFile(h, all.data(), DWORD(all.size()), &written, nullptr) || written != all.size()) {
            result = Status::ioError("cannot append", int(GetLastError())).inFile(path);
        }
    }
    CloseHandle(h);
    return result;
}

}  // namespace platform
