#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/path.h"
#include "platform/write_faults.h"

namespace platform {

Status appendToFile(const std::string& path, const std::string& text, const std::string& head) {
    const auto native = toNative(path);
    if (!native) return Status::notFound("cannot map " + path).inFile(path);
    if (Status fault = injectedWriteFault("append", path); !fault.isOk()) return fault;
    const int fd = ::open(native->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          0644);
    if (fd < 0) {
        const int err = errno;
        return Status::ioError("cannot open for appending: " + std::string(std::strerror(err)), err).inFile(path);
    }
    struct stat st;
    Status result;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = Status::ioError("not a regular file").inFile(path);
    } else if (st.st_nlink > 1) {
        // A second name planted for the file would carry our lines into another file.
        result = Status::ioError("the file has more than one name").inFile(path);
    } else {
        const std::string all = st.st_size == 0 ? head + text : text;
        const ssize_t n = ::write(fd, all.data(), all.size());
        if (n != ssize_t(all.size())) {
            const int err = n < 0 ? errno : ENOSPC;
            result = Status::ioError("cannot append: " + std::string(std::strerror(err)), err).inFile(path);
            // A short write would leave half a line: take it back.
            if (n > 0) static_cast<void>(::ftruncate(fd, st.st_size));
        }
    }
    ::close(fd);
    return result;
}

}  // namespace platform
