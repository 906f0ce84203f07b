#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/single_instance.h"

namespace platform {
namespace {

constexpr char kRequest[] = "raise\n";
constexpr char kAnswer[] = "ok\n";

// Empty when `path` is a folder of this user that no one else may enter or
// change (not a link, mode without group or other bits); else why not.
std::string whyNotPrivate(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return path + ": " + std::strerror(errno);
    if (S_ISLNK(st.st_mode)) return path + " is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (st.st_uid != ::geteuid()) {
        return path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    }
    if (st.st_mode & 077) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", unsigned(st.st_mode & 0777));
        return path + " is open to other users (mode " + mode + ")";
    }
    return {};
}

// This user's own folder for claims: $XDG_RUNTIME_DIR when it is absolute and
// private, else `lumisett-UID` in $TMPDIR (or /tmp), made with mode 0700.
// Empty, with `*why` set, when that folder is not this user's private one: a
// neighbour who made it first (or planted a link there) gets no say in this
// user's claims.
std::string privateFolder(std::string* why) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        if (runtime[0] == '/' && whyNotPrivate(runtime).empty()) return runtime;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folder += "/lumisett-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = folder + ": " + std::strerror(errno);
        return {};
    }
    *why = whyNotPrivate(folder);
    return why->empty() ? folder : std::string();
}

bool socketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// The user on the other end of a connected local socket, or -1.
long peerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) return -1;
    return long(peer.uid);
}

bool sameUser(int fd) { return peerUser(fd) == long(::geteuid()); }

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
    std::string base;     // folder and name, without ".lock" or ".sock"; empty: refused
    std::string refusal;  // why the claim cannot be checked, when it cannot
    int lockFd = -1;
    int listenFd = -1;
    int wakeFds[2] = {-1, -1};
    std::thread listener;

    std::string socketPath() const { return base + ".sock"; }

    // A connection to the socket of the holder, or -1 when none answers.
    int connectToHolder() const {
        sockaddr_un address;
        if (!socketAddress(socketPath(), &address)) return -1;
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    void refuse(std::string why) {
        refusal = std::move(why);
        std::fprintf(stderr,
                     "lumisett: the display starts without checking for another one of this "
                     "profile: %s\n",
                     refusal.c_str());
    }

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
            // Another user's request raises nothing and gets no answer.
            if (sameUser(peer)) {
                // A peer that says nothing holds this thread half a second at most.
                auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
                if (readLine(peer, deadline) == kRequest) {
                    raise();
                    static_cast<void>(::send(peer, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL));
                }
            }
            ::close(peer);
        }
    }
};

SingleInstance::SingleInstance(std::string key) : m_impl(std::make_unique<Impl>()) {
    const std::string folder = privateFolder(&m_impl->refusal);
    if (!folder.empty()) m_impl->base = folder + "/" + instanceName(key);
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (m_impl->lockFd >= 0) ::close(m_impl->lockFd);
}

bool SingleInstance::claim() {
    Impl& d = *m_impl;
    if (d.base.empty()) {
        d.refuse(d.refusal);
        return true;
    }
    // The lock file stays when the holder ends: removing it could let two
    // processes each lock a file of the same name.
    int fd = ::open((d.base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        d.refuse(d.base + ".lock: " + std::strerror(errno));
        return true;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        d.refuse(d.base + ".lock is not a file of this user");
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;  // before close, which may change it
        ::close(fd);
        if (error != EWOULDBLOCK) {
            d.refuse(d.base + ".lock: " + std::strerror(error));
            return true;
        }
        // Held. Only another user with the power to enter this folder (the
        // administrator) can hold it as a stranger: when its socket says so,
        // the display runs all the same.
        if (int holder = d.connectToHolder(); holder >= 0) {
            const long user = peerUser(holder);
            ::close(holder);
            if (user != long(::geteuid())) {
                d.refuse(d.base + ".lock is held by another user (uid " + std::to_string(user) + ")");
                return true;
            }
        }
        return false;
    }
    d.lockFd = fd;
    return true;
}

const std::string& SingleInstance::refusal() const { return m_impl->refusal; }

void SingleInstance::listen(std::function<void()> raise) {
    Impl& d = *m_impl;
    if (d.lockFd < 0 || d.listener.joinable()) return;
    const std::string path = d.socketPath();
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
    ::unlink(d.socketPath().c_str());
    for (int* fd : {&d.listenFd, &d.wakeFds[0], &d.wakeFds[1]}) {
        ::close(*fd);
        *fd = -1;
    }
}

bool SingleInstance::askToRaise(std::chrono::milliseconds limit) {
    if (m_impl->base.empty()) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // The holder may still be starting: it listens once its window is up.
    for (;;) {
        if (int fd = m_impl->connectToHolder(); fd >= 0) {
            // Another user's socket is neither asked nor believed.
            bool answered = sameUser(fd) &&
                            ::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL) ==
                                ssize_t(sizeof kRequest - 1) &&
                            readLine(fd, deadline) == kAnswer;
            ::close(fd);
            return answered;
        }
        if (msLeft(deadline) == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace platform
