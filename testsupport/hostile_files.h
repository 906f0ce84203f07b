#pragma once

// What a hostile or broken disk puts where the program expects a regular
// file, for the tests of every reader. POSIX only.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace testsupport {

enum class Hostile { Fifo, LinkToFifo, LinkToDevZero, Socket, Folder, Huge };

struct HostileKind {
    Hostile kind;
    const char* name;
};

inline constexpr HostileKind kHostileKinds[] = {
    {Hostile::Fifo, "FIFO"},
    {Hostile::LinkToFifo, "link to a FIFO"},
    {Hostile::LinkToDevZero, "link to /dev/zero"},
    {Hostile::Socket, "socket"},
    {Hostile::Folder, "folder"},
    {Hostile::Huge, "huge sparse file"},
};

// The size of the huge file: beyond every read limit, yet sparse, so it takes
// no room on the disk.
inline constexpr std::uint64_t kHugeFileBytes = 1ull << 30;

// Puts a `kind` at `path`, which must be free. The links point to files beside
// `path` (its name + ".target").
inline void makeHostile(Hostile kind, const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    const fs::path target = path.string() + ".target";
    auto check = [&](bool ok, const char* what) {
        if (!ok) throw std::runtime_error(std::string(what) + " " + path.string() + ": " +
                                          std::strerror(errno));
    };
    fs::create_directories(path.parent_path());
    switch (kind) {
        case Hostile::Fifo: check(::mkfifo(path.c_str(), 0666) == 0, "mkfifo"); break;
        case Hostile::LinkToFifo:
            check(::mkfifo(target.c_str(), 0666) == 0, "mkfifo");
            fs::create_symlink(target, path);
            break;
        case Hostile::LinkToDevZero: fs::create_symlink("/dev/zero", path); break;
        case Hostile::Socket: {
            int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            check(s >= 0, "socket");
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            check(path.string().size() < sizeof addr.sun_path, "socket path too long:");
            std::strcpy(addr.sun_path, path.c_str());
            check(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0, "bind");
            ::close(s);
            break;
        }
        case Hostile::Folder: fs::create_directory(path); break;
        case Hostile::Huge: {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
            check(fd >= 0, "create");
            check(::ftruncate(fd, off_t(kHugeFileBytes)) == 0, "truncate");
            ::close(fd);
            break;
        }
    }
}

// Removes what makeHostile put at `path`, so that a regular file can take its place.
inline void removeHostile(const std::filesystem::path& path) {
    std::filesystem::remove_all(path);
    std::filesystem::remove(path.string() + ".target");
}

// Lets go of a reader blocked on a FIFO at `path` (or on the FIFO its link
// names) by opening it for writing once.
inline void releaseFifo(const std::filesystem::path& path) {
    for (const std::string& fifo : {path.string(), path.string() + ".target"}) {
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
}

[[noreturn]] inline void endHungTest(const std::filesystem::path& path) {
    std::fprintf(stderr, "a step still hangs on %s: ending the test process\n", path.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

// Runs `step` on a thread of its own and tells whether it ended within
// `limit`. When it has not, a reader blocked on a FIFO at `path` is let go;
// should the step still not end, the test process ends here, since a hung
// test would hang the whole suite.
inline bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& step,
                           const std::filesystem::path& path = {}) {
    std::packaged_task<void()> task(step);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    if (!inTime) {
        releaseFifo(path);
        if (done.wait_for(std::chrono::seconds(3)) != std::future_status::ready) endHungTest(path);
    }
    runner.join();
    done.get();
    return inTime;
}

// For a step that must run on the calling thread (the GUI thread): while the
// guard lives, a watchdog lets go of a FIFO at `path` after `limit` and notes
// that it had to (fired); three seconds later it ends the test process.
class HangGuard {
public:
    HangGuard(std::filesystem::path path, std::chrono::milliseconds limit)
        : m_path(std::move(path)), m_watchdog([this, limit] { watch(limit); }) {}
    ~HangGuard() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_watchdog.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

    bool fired() const { return m_fired; }

private:
    void watch(std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, limit, [this] { return m_done; })) return;
        m_fired = true;
        releaseFifo(m_path);
        if (!m_wake.wait_for(lock, std::chrono::seconds(3), [this] { return m_done; }))
            endHungTest(m_path);
    }

    std::filesystem::path m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::atomic<bool> m_fired{false};
    std::thread m_watchdog;
};

}  // namespace testsupport

#endif  // _WIN32
