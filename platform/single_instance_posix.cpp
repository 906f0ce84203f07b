#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/single_instance.h"

namespace platform {
namespace {

constexpr char kRequest[] = "raise\n";
constexpr char kAnswer[] = "ok\n";

// The user's runtime folder (XDG_RUNTIME_DIR), else the temporary folder; the
// names carry the user's id, since /tmp is shared.
std::string runtimeBase(const std::string& key) {
    std::string dir = "/tmp";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        struct stat st{};
        if (*runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) dir = runtime;
    }
    return dir + "/" + instanceName(key) + "-" + std::to_string(::getuid());
}

bool socketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int msLeft(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

// Reads a short line from `fd` until it ends in a line feed, the peer closes or the
// deadline passes.
std::string readLine(int fd, std::chrono::steady_clock::time_point deadline) {
    std::string line;
    while (line.size() < 16 && (line.empty() || line.back() != '\n')) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) <= 0) break;
        char c[16];
        ssize_t n = ::read(fd, c, sizeof c);
        if (n <= 0) break;
        line.append(c, std::size_t(n));
    }
    return line;
}

}  // namespace

struct SingleInstance::Impl {
    std::string base;
    int lockFd = -1;
    int listenFd = -1;
    int wakeFds[2] = {-1, -1};
    std::thread listener;

    void serve(const std::function<void()>& raise) {
        for (;;) {
            pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFds[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            int peer = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (peer < 0) continue;
            // A peer that says nothing holds this thread half a second at most.
            auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
            if (readLine(peer, deadline) == kRequest) {
                raise();
                static_cast<void>(::send(peer, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL));
            }
            ::close(peer);
        }
    }
};

SingleInstance::SingleInstance(std::string key) : m_impl(std::make_unique<Impl>()) {
    m_impl->base = runtimeBase(key);
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (m_impl->lockFd >= 0) ::close(m_impl->lockFd);
}

bool SingleInstance::claim() {
    // The lock file stays when the holder ends: removing it could let two
    // processes each lock a file of the same name.
    int fd = ::open((m_impl->base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;  // no place for a lock: no claim can be checked, the display runs
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;  // before close, which may change errno
        ::close(fd);
        return !held;
    }
    m_impl->lockFd = fd;
    return true;
}

void SingleInstance::listen(std::function<void()> raise) {
    Impl& d = *m_impl;
    if (d.lockFd < 0 || d.listener.joinable()) return;
    const std::string path = d.base + ".sock";
    sockaddr_un address;
    if (!socketAddress(path, &address)) return;
    ::unlink(path.c_str());  // left by a holder that crashed
    d.listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (d.listenFd < 0) return;
    if (::bind(d.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(d.listenFd, 4) != 0 || ::pipe2(d.wakeFds, O_CLOEXEC) != 0) {
        ::close(d.listenFd);
        d.listenFd = -1;
        return;
    }
    d.listener = std::thread([&d, raise = std::move(raise)] { d.serve(raise); });
}

void SingleInstance::stopListening() {
    Impl& d = *m_impl;
    if (!d.listener.joinable()) return;
    static_cast<void>(::write(d.wakeFds[1], "x", 1));
    d.listener.join();
    ::unlink((d.base + ".sock").c_str());
    for (int* fd : {&d.listenFd, &d.wakeFds[0], &d.wakeFds[1]}) {
        ::close(*fd);
        *fd = -1;
    }
}

bool SingleInstance::askToRaise(std::chrono::milliseconds limit) {
    sockaddr_un address;
    if (!socketAddress(m_impl->base + ".sock", &address)) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // The holder may still be starting: it listens once its window is up.
    for (;;) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            bool answered = ::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL) ==
                                ssize_t(sizeof kRequest - 1) &&
                            readLine(fd, deadline) == kAnswer;
            ::close(fd);
            return answered;
        }
        ::close(fd);
        if (msLeft(deadline) == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace platform
