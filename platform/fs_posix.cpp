#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/fs.h"
#include "platform/open_posix.h"
#include "platform/path.h"
#include "platform/write_faults.h"

namespace platform {
using posix::errnoStatus;

namespace {

Status unmapped(const std::string& path) {
    return Status::notFound("cannot map path " + path + " (no UNC root set)", ENOENT);
}

Status writeAll(int fd, const std::string& content, const std::string& path) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoStatus("cannot write", path, errno);
        }
        done += std::size_t(n);
    }
    return {};
}

// What `path` is, following links; false when it cannot be found.
bool statNative(const std::string& path, struct stat* st) {
    auto native = toNative(path);
    return native && ::stat(native->c_str(), st) == 0;
}

}  // namespace

bool fileExists(const std::string& path) {
    struct stat st;
    return statNative(path, &st) && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
}

bool isFile(const std::string& path) {
    struct stat st;
    return statNative(path, &st) && S_ISREG(st.st_mode);
}

Status readFile(const std::string& path, std::string* content, std::uint64_t limit) {
    content->clear();
    auto native = toNative(path);
    if (!native) return unmapped(path);
    int fd = -1;
    Status opened = posix::openRegular(path, *native, O_RDONLY, 0, true, &fd);
    if (!opened.isOk()) return opened;
    auto tooLarge = [&] {
        ::close(fd);
        content->clear();
        return Status::tooLarge(path + " is larger than " + std::to_string(limit) +
                                " bytes, more than such a file ever holds");
    };
    struct stat st;
    if (::fstat(fd, &st) == 0 && std::uint64_t(st.st_size) > limit) return tooLarge();
    // The file may grow while it is read: read one byte past the limit at most.
    char buf[65536];
    for (;;) {
        std::uint64_t room = limit + 1 - content->size();
        ssize_t n = ::read(fd, buf, std::size_t(std::min<std::uint64_t>(sizeof buf, room)));
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            content->clear();
            return errnoStatus("cannot read", path, err);
        }
        if (n == 0) break;
        content->append(buf, std::size_t(n));
        if (content->size() > limit) return tooLarge();
    }
    ::close(fd);
    return {};
}

Status writeNewFile(const std::string& path, const std::string& content) {
    auto native = toNative(path);
    if (!native) return unmapped(path);
    if (Status fault = injectedWriteFault("create", path); !fault.isOk()) return fault;
    int fd = -1;
    Status opened = posix::openRegular(path, *native, O_WRONLY | O_CREAT | O_EXCL, 0666, false, &fd);
    if (!opened.isOk()) return opened;
    Status st = injectedWriteFault("write", path);
    if (st.isOk()) st = writeAll(fd, content, path);
    if (::close(fd) != 0 && st.isOk()) st = errnoStatus("cannot write", path, errno);
    if (!st.isOk()) ::unlink(native->c_str());
    return st;
}

bool nameTaken(const Status& status) { return !status.isOk() && status.osCode() == EEXIST; }

bool folderOpenToOthers(const std::string& path) {
    const std::size_t sep = lastSeparator(path);
    std::optional<std::string> folder =
        sep == std::string::npos ? std::optional<std::string>(".") : toNative(path.substr(0, sep + 1));
    struct stat st;
    if (!folder || ::stat(folder->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return st.st_uid != ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
           (st.st_mode & S_ISVTX) == 0;
}

Status removeFile(const std::string& path) {
    auto native = toNative(path);
    if (!native) return unmapped(path);
    if (::unlink(native->c_str()) != 0) return errnoStatus("cannot delete", path, errno);
    return {};
}

Status renameFile(const std::string& from, const std::string& to) {
    auto a = toNative(from);
    auto b = toNative(to);
    if (!a) return unmapped(from);
    if (!b) return unmapped(to);
    if (Status fault = injectedWriteFault("rename", from); !fault.isOk()) return fault;
    if (::rename(a->c_str(), b->c_str()) != 0) return errnoStatus("cannot rename", from, errno);
    return {};
}

std::optional<char> currentDrive() { return std::nullopt; }

std::string currentDirectoryWithoutDrive() {
    std::string buf(4096, '\0');
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return "";
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    std::size_t i = 0;
    while (i < buf.size() && buf[i] == '/') ++i;
    return buf.substr(i);
}

void sleepHundredths(int hundredths) {
    if (hundredths > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10LL * hundredths));
}


std::string hostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return "";
    std::string name(buf);
    auto dot = name.find('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::string osErrorText(int osCode) { return std::strerror(osCode); }

std::string sharingViolationText() {
    return "The process cannot access the file because it is being used by another process.";
}

}  // namespace platform
