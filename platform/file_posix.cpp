#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/file.h"
#include "platform/open_posix.h"
#include "platform/path.h"
#include "platform/write_faults.h"

// See file.h for the locking scheme. Open-file-description locks belong to
// the open, not to the process, so two opens of one file in this process
// conflict just as two processes do; classic POSIX record locks would not.
#ifdef F_OFD_SETLK
#define LUMISETT_SETLK F_OFD_SETLK
#else
#define LUMISETT_SETLK F_SETLK  // systems without OFD locks: per-process only
#endif

namespace platform {
namespace {

constexpr int kSharingViolation = 32;  // the Windows code callers look for

using posix::errnoStatus;

class PosixFile : public File {
public:
    PosixFile(int fd, std::string path, bool writable)
        : m_fd(fd), m_path(std::move(path)), m_writable(writable) {}
    ~PosixFile() override { ::close(m_fd); }

    Status readAt(std::uint64_t offset, void* buffer, std::size_t length,
                  std::size_t* got) override {
        *got = 0;
        auto* out = static_cast<char*>(buffer);
        while (*got < length) {
            ssize_t n = ::pread(m_fd, out + *got, length - *got, off_t(offset + *got));
            if (n < 0) {
                if (errno == EINTR) continue;
                return errnoStatus("cannot read", m_path, errno);
            }
            if (n == 0) break;
            *got += std::size_t(n);
        }
        return {};
    }

    Status writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        auto* in = static_cast<const char*>(data);
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pwrite(m_fd, in + done, length - done, off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return errnoStatus("cannot write", m_path, errno);
            }
            done += std::size_t(n);
        }
        return {};
    }

    Status size(std::uint64_t* bytes) override {
        struct stat st;
        if (::fstat(m_fd, &st) != 0) return errnoStatus("cannot stat", m_path, errno);
        *bytes = std::uint64_t(st.st_size);
        return {};
    }

    Status truncate(std::uint64_t bytes) override {
        if (::ftruncate(m_fd, off_t(bytes)) != 0) return errnoStatus("cannot resize", m_path, errno);
        return {};
    }

    Status sync() override {
        if (::fsync(m_fd) != 0) return errnoStatus("cannot flush", m_path, errno);
        return {};
    }

    Status lock(std::uint64_t offset, std::uint64_t length, bool exclusive, int waitMs) override {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        for (;;) {
            Status st = setLock(offset, length, exclusive && m_writable ? F_WRLCK : F_RDLCK);
            if (st.code() != Status::Code::Locked || std::chrono::steady_clock::now() >= deadline) {
                return st;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    Status unlock(std::uint64_t offset, std::uint64_t length) override {
        return setLock(offset, length, F_UNLCK);
    }

    Status setLock(std::uint64_t offset, std::uint64_t length, short type) {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(offset);
        fl.l_len = off_t(length);
        while (::fcntl(m_fd, LUMISETT_SETLK, &fl) != 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EACCES) {
                return Status::locked(m_path + " is in use by another process", kSharingViolation);
            }
            return errnoStatus("cannot lock", m_path, errno);
        }
        return {};
    }

private:
    int m_fd;
    std::string m_path;
    bool m_writable;
};

}  // namespace

Status openFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) {
    file->reset();
    auto native = toNative(path);
    if (!native) return Status::notFound("cannot map path " + path + " (no UNC root set)", ENOENT);
    bool wantWrite = mode.access == Access::ReadWrite || mode.disposition != Disposition::Existing;
    bool exclusive = mode.share == Share::Exclusive;
    int flags = 0;
    if (mode.disposition == Disposition::CreateNew) flags |= O_CREAT | O_EXCL;
    if (mode.disposition == Disposition::Replace) flags |= O_CREAT;  // emptied once locked
    // An exclusive open needs write access for its write lock; read-only
    // callers still only read through it.
    bool writable = wantWrite || exclusive;
    if (mode.disposition != Disposition::Existing) {
        if (Status fault = injectedWriteFault("create", path); !fault.isOk()) return fault;
    }
    // O_EXCL alone already refuses a link at the name; O_NOFOLLOW says so.
    const bool followLinks = mode.followLinks && mode.disposition != Disposition::CreateNew;
    int fd = -1;
    Status opened = posix::openRegular(path, *native, flags | (writable ? O_RDWR : O_RDONLY), 0666,
                                       followLinks, &fd);
    if (!opened.isOk() && !wantWrite && exclusive &&
        (opened.osCode() == EACCES || opened.osCode() == EROFS)) {
        writable = false;
        opened = posix::openRegular(path, *native, flags | O_RDONLY, 0, followLinks, &fd);
    }
    if (!opened.isOk()) return opened;
    auto f = std::make_unique<PosixFile>(fd, path, writable);
    Status ls = f->setLock(kShareMarkerOffset, 1, exclusive && writable ? F_WRLCK : F_RDLCK);
    if (!ls.isOk()) return ls;
    if (mode.disposition == Disposition::Replace) {
        Status ts = f->truncate(0);
        if (!ts.isOk()) return ts;
    }
    *file = withInjectedFaults(std::move(f), path);
    return {};
}

}  // namespace platform
