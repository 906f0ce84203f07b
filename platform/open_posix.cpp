#include "platform/open_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::posix {

Status errnoStatus(const std::string& what, const std::string& path, int err) {
    std::string msg = what + " " + path + ": " + std::strerror(err);
    if (err == ENOENT || err == ENOTDIR) return Status::notFound(msg, err);
    return Status::ioError(msg, err);
}

Status openRegular(const std::string& path, const std::string& native, int flags, mode_t mode,
                   bool followLinks, int* fd) {
    *fd = -1;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for good. A FIFO opened for writing without a reader, or a
    // socket, fails at once with ENXIO.
    flags |= O_CLOEXEC | O_NONBLOCK;
    if (!followLinks) flags |= O_NOFOLLOW;
    int f = ::open(native.c_str(), flags, mode);
    if (f < 0) {
        int err = errno;
        if (err == ENXIO) return Status::notFound("cannot open " + path + ": not a regular file", err);
        if (err == ELOOP && !followLinks) {
            return Status::ioError("cannot open " + path + ": it is a symbolic link", err);
        }
        return errnoStatus("cannot open", path, err);
    }
    struct stat st;
    if (::fstat(f, &st) != 0) {
        int err = errno;
        ::close(f);
        return errnoStatus("cannot open", path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(f);
        return Status::ioError("cannot open " + path + ": it is a folder", EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(f);
        return Status::notFound("cannot open " + path + ": not a regular file", ENXIO);
    }
    int fl = ::fcntl(f, F_GETFL);
    if (fl >= 0) ::fcntl(f, F_SETFL, fl & ~O_NONBLOCK);
    *fd = f;
    return {};
}

}  // namespace platform::posix
