#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/fs.h"
#include "platform/path.h"

namespace platform {
namespace {

Status errnoStatus(const std::string& what, const std::string& path, int err) {
    std::string msg = what + " " + path + ": " + std::strerror(err);
    if (err == ENOENT || err == ENOTDIR) return Status::notFound(msg, err);
    return Status::ioError(msg, err);
}

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

}  // namespace

bool fileExists(const std::string& path) {
    auto native = toNative(path);
    struct stat st;
    return native && ::stat(native->c_str(), &st) == 0;
}

bool isFile(const std::string& path) {
    auto native = toNative(path);
    struct stat st;
    return native && ::stat(native->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

Status readFile(const std::string& path, std::string* content) {
    content->clear();
    auto native = toNative(path);
    if (!native) return unmapped(path);
    int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errnoStatus("cannot open", path, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Status::ioError("cannot read " + path + ": it is a folder", EISDIR);
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            content->clear();
            return errnoStatus("cannot read", path, err);
        }
        if (n == 0) break;
        content->append(buf, std::size_t(n));
    }
    ::close(fd);
    return {};
}

Status writeFile(const std::string& path, const std::string& content) {
    auto native = toNative(path);
    if (!native) return unmapped(path);
    int fd = ::open(native->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errnoStatus("cannot create", path, errno);
    Status st = writeAll(fd, content, path);
    if (::close(fd) != 0 && st.isOk()) st = errnoStatus("cannot write", path, errno);
    return st;
}

Status writeFileAtomic(const std::string& path, const std::string& content) {
    auto native = toNative(path);
    if (!native) return unmapped(path);
    static std::atomic<unsigned> counter{0};
    std::string tmp = *native + ".tmp" + std::to_string(::getpid()) + "-" +
                      std::to_string(counter.fetch_add(1));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errnoStatus("cannot create", tmp, errno);
    Status st = writeAll(fd, content, tmp);
    if (st.isOk() && ::fsync(fd) != 0) st = errnoStatus("cannot flush", tmp, errno);
    if (::close(fd) != 0 && st.isOk()) st = errnoStatus("cannot write", tmp, errno);
    if (st.isOk() && ::rename(tmp.c_str(), native->c_str()) != 0) {
        st = errnoStatus("cannot replace", path, errno);
    }
    if (!st.isOk()) ::unlink(tmp.c_str());
    return st;
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

}  // namespace platform
