#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/fs.h"
#include "platform/open_win.h"
#include "platform/write_faults.h"

namespace platform {
namespace {

Status lastErrorStatus(const std::string& what, const std::string& path) {
    return win::lastErrorStatus(what, path, GetLastError());
}

// Attributes of a file or folder, never of a device.
DWORD attributesOf(const std::string& path) {
    if (win::isDevicePath(path)) return INVALID_FILE_ATTRIBUTES;
    DWORD a = GetFileAttributesA(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DEVICE)) return INVALID_FILE_ATTRIBUTES;
    return a;
}

Status writeHandle(HANDLE h, const std::string& content, const std::string& path) {
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD chunk = DWORD(std::min<std::size_t>(content.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(h, content.data() + done, chunk, &written, nullptr)) {
            return lastErrorStatus("cannot write", path);
        }
        done += written;
    }
    return {};
}

}  // namespace

bool fileExists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool isFile(const std::string& path) {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

Status readFile(const std::string& path, std::string* content, std::uint64_t limit) {
    content->clear();
    // Others may write, rename or delete the file while it is read, as on
    // POSIX: the point-of-sale rewrites its files at any time.
    HANDLE h = INVALID_HANDLE_VALUE;
    Status opened = win::openRegular(path, GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     OPEN_EXISTING, true, &h);
    if (!opened.isOk()) return opened;
    auto tooLarge = [&] {
        CloseHandle(h);
        content->clear();
        return Status::tooLarge(path + " is larger than " + std::to_string(limit) +
                                " bytes, more than such a file ever holds");
    };
    LARGE_INTEGER size;
    if (GetFileSizeEx(h, &size) && std::uint64_t(size.QuadPart) > limit) return tooLarge();
    char buf[65536];
    for (;;) {
        DWORD want = DWORD(std::min<std::uint64_t>(sizeof buf, limit + 1 - content->size()));
        DWORD n = 0;
        if (!ReadFile(h, buf, want, &n, nullptr)) {
            Status st = lastErrorStatus("cannot read", path);
            CloseHandle(h);
            content->clear();
            return st;
        }
        if (n == 0) break;
        content->append(buf, n);
        if (content->size() > limit) return tooLarge();
    }
    CloseHandle(h);
    return {};
}

Status writeNewFile(const std::string& path, const std::string& content) {
    if (Status fault = injectedWriteFault("create", path); !fault.isOk()) return fault;
    HANDLE h = INVALID_HANDLE_VALUE;
    Status opened = win::openRegular(path, GENERIC_WRITE, 0, CREATE_NEW, false, &h);
    if (!opened.isOk()) return opened;
    Status st = injectedWriteFault("write", path);
    if (st.isOk()) st = writeHandle(h, content, path);
    CloseHandle(h);
    if (!st.isOk()) DeleteFileA(path.c_str());
    return st;
}

bool nameTaken(const Status& status) {
    return !status.isOk() &&
           (status.osCode() == ERROR_FILE_EXISTS || status.osCode() == ERROR_ALREADY_EXISTS);
}

bool folderOpenToOthers(const std::string&) { return false; }

Status removeFile(const std::string& path) {
    if (!DeleteFileA(path.c_str())) return lastErrorStatus("cannot delete", path);
    return {};
}

Status renameFile(const std::string& from, const std::string& to) {
    if (Status fault = injectedWriteFault("rename", from); !fault.isOk()) return fault;
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return lastErrorStatus("cannot rename", from);
    }
    return {};
}

namespace {

// The current directory, "" when it cannot be read. A directory longer than
// MAX_PATH is asked for again with the size the first call reports.
std::string currentDirectory() {
    std::string buf(MAX_PATH + 1, '\0');
    for (;;) {
        DWORD n = GetCurrentDirectoryA(DWORD(buf.size()), buf.data());
        if (n == 0) return "";
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.assign(n + 1, '\0');  // n is the size needed, its zero included
    }
}

}  // namespace

std::optional<char> currentDrive() {
    std::string dir = currentDirectory();
    if (dir.size() >= 2 && dir[1] == ':') return dir[0];
    return std::nullopt;  // a UNC folder has no drive
}

std::string currentDirectoryWithoutDrive() {
    std::string dir = currentDirectory();
    if (dir.size() >= 2 && dir[1] == ':') dir.erase(0, 2);
    std::size_t i = 0;
    while (i < dir.size() && (dir[i] == '\\' || dir[i] == '/')) ++i;
    return dir.substr(i);
}

void sleepHundredths(int hundredths) {
    if (hundredths > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10LL * hundredths));
}


std::string hostName() {
    char buf[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD n = sizeof buf;
    if (!GetComputerNameA(buf, &n)) return "";
    return std::string(buf, n);
}

std::string osErrorText(int osCode) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, DWORD(osCode), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(osCode);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

std::string sharingViolationText() { return osErrorText(ERROR_SHARING_VIOLATION); }

}  // namespace platform
