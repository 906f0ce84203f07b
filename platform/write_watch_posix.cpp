#include "platform/write_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/path.h"

namespace platform {

struct WriteWatch::Impl {
    int fd = -1;
    int wd = -1;
    std::string name;  // the file's name in its folder
};

WriteWatch::WriteWatch() : m(std::make_unique<Impl>()) {
    m->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

WriteWatch::~WriteWatch() {
    if (m->fd >= 0) ::close(m->fd);
}

bool WriteWatch::watch(const std::string& path) {
    if (m->fd < 0) return false;
    if (m->wd >= 0) {
        ::inotify_rm_watch(m->fd, m->wd);
        m->wd = -1;
    }
    take();  // what the old folder still had to say goes
    const auto native = path.empty() ? std::nullopt : toNative(path);
    if (!native) return false;
    const std::size_t slash = native->find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native->substr(0, slash);
    m->name = slash == std::string::npos ? *native : native->substr(slash + 1);
    m->wd = ::inotify_add_watch(m->fd, folder.c_str(),
                                IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    return m->wd >= 0;
}

int WriteWatch::descriptor() const { return m->fd; }

WriteWatch::Happened WriteWatch::take() {
    Happened happened = Happened::Nothing;
    if (m->fd < 0) return happened;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m->fd, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->wd != m->wd || e->len == 0 || m->name != e->name) continue;
            if (e->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
                happened = Happened::Closed;
            } else if (e->mask & (IN_MODIFY | IN_CREATE)) {
                happened = Happened::Written;
            }
        }
    }
    return happened;
}

std::optional<bool> openForWriting(const std::string&) { return std::nullopt; }

std::optional<std::uint64_t> identityOf(const std::string& path) {
    const auto native = toNative(path);
    struct stat st;
    if (!native || ::stat(native->c_str(), &st) != 0) return std::nullopt;
    return (std::uint64_t(st.st_dev) << 40) ^ std::uint64_t(st.st_ino);
}

}  // namespace platform
