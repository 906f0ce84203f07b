#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/private_folder.h"

namespace platform {
namespace {

std::string failure(const std::string& path, const char* what, int err) {
    return path + ": " + what + ": " + std::strerror(err);
}

// Why the open folder `fd` (at `path`) is not private, or "".
std::string whyNotPrivate(int fd, const std::string& path) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return failure(path, "cannot be examined", errno);
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (st.st_uid != ::geteuid())
        return path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    // Ours but opened up: close it again.
    if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
        return failure(path, "is open to others and cannot be closed", errno);
    return {};
}

// Opens the folder `name` in `parent` (AT_FDCWD: a path), never through a
// link, making it with mode 0700 when absent.
int openFolderAt(int parent, const std::string& name, bool make) {
    if (make && ::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Makes `path` and the folders above it (mode 0700 for those it makes).
void makeFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
    }
}

bool writeAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

}  // namespace

std::optional<std::string> userCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache";
    return std::nullopt;
}

Status PrivateFolder::open(const std::string& base, const std::vector<std::string>& below,
                           std::unique_ptr<PrivateFolder>* folder) {
    folder->reset();
    makeFolders(base);
    int fd = openFolderAt(AT_FDCWD, base, false);
    if (fd < 0) return Status::ioError(failure(base, "cannot be opened", errno), errno);
    std::string path = base;
    for (const std::string& name : below) {
        path += "/" + name;
        const int next = isPlainName(name) ? openFolderAt(fd, name, true) : -1;
        const int err = errno;
        ::close(fd);
        if (next < 0) {
            // ELOOP, ENOTDIR: a link or a file in the folder's place.
            return Status::ioError(failure(path, "cannot be opened as a folder", err), err);
        }
        fd = next;
        if (std::string why = whyNotPrivate(fd, path); !why.empty()) {
            ::close(fd);
            return Status::ioError(why);
        }
    }
    std::unique_ptr<PrivateFolder> made(new PrivateFolder);
    made->m_path = path;
    made->m_handle = fd;
    *folder = std::move(made);
    return {};
}

PrivateFolder::~PrivateFolder() {
    if (m_lockHandle >= 0) ::close(int(m_lockHandle));
    if (m_handle >= 0) ::close(int(m_handle));
}

Status PrivateFolder::read(const std::string& name, std::string* content,
                           std::uint64_t limit) const {
    content->clear();
    const std::string path = m_path + "/" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    const int fd = ::openat(int(m_handle), name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT) return Status::notFound(path, err);
        return Status::ioError(failure(path, "cannot be opened", err), err);
    }
    struct stat st;
    Status result;
    if (::fstat(fd, &st) != 0) {
        result = Status::ioError(failure(path, "cannot be examined", errno), errno);
    } else if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        result = Status::ioError(path + " is not a file of this user's");
    } else if (std::uint64_t(st.st_size) > limit) {
        result = Status::tooLarge(path + " is larger than " + std::to_string(limit) + " bytes");
    } else {
        content->resize(std::size_t(st.st_size));
        std::size_t done = 0;
        while (done < content->size()) {
            const ssize_t n = ::read(fd, content->data() + done, content->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += std::size_t(n);
        }
        if (done != content->size()) {
            content->clear();
            result = Status::ioError(path + ": read short");
        }
    }
    ::close(fd);
    return result;
}

Status PrivateFolder::write(const std::string& name, const std::string& content,
                            bool durable) const {
    const std::string path = m_path + "/" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    const std::string temporary = "." + unpredictableName() + ".new";
    const int dir = int(m_handle);
    const int fd = ::openat(dir, temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Status::ioError(failure(path, "cannot be created", errno), errno);
    bool ok = writeAll(fd, content);
    int err = errno;
    if (ok && durable && ::fsync(fd) != 0) ok = false, err = errno;
    if (::close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && ::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) ok = false, err = errno;
    if (!ok) {
        ::unlinkat(dir, temporary.c_str(), 0);
        return Status::ioError(failure(path, "cannot be written", err), err);
    }
    return {};
}

Status PrivateFolder::remove(const std::string& name) const {
    const std::string path = m_path + "/" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    if (::unlinkat(int(m_handle), name.c_str(), 0) == 0 || errno == ENOENT) return {};
    // A folder planted at the name.
    if (errno == EISDIR && ::unlinkat(int(m_handle), name.c_str(), AT_REMOVEDIR) == 0) return {};
    return Status::ioError(failure(path, "cannot be removed", errno), errno);
}

std::vector<std::string> PrivateFolder::names() const {
    std::vector<std::string> out;
    const int fd = ::openat(int(m_handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return out;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return out;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") out.push_back(name);
    }
    ::closedir(dir);
    return out;
}

bool PrivateFolder::lock(const std::string& name) {
    if (m_lockHandle >= 0 || !isPlainName(name)) return false;
    const int fd = ::openat(int(m_handle), name.c_str(),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockHandle = fd;
    return true;
}

}  // namespace platform
