#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <thread>

#include "platform/ui/child_process.h"

namespace platform::ui {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stopping{false};
// The running children, each the leader of its own process group.
std::mutex g_runningMutex;
std::set<pid_t> g_running;

}  // namespace

// posix_spawn rather than fork: the display process is large and has threads.
ChildEnd runChild(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds limit) {
    if (g_stopping) return {};
    std::vector<std::string> args;
    args.push_back(program);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&files, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return {};
    {
        std::lock_guard lock(g_runningMutex);
        g_running.insert(pid);
    }
    struct Forget {
        pid_t pid;
        ~Forget() {
            std::lock_guard lock(g_runningMutex);
            g_running.erase(pid);
        }
    } forget{pid};

    const auto deadline = Clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return {};
        if (Clock::now() >= deadline || g_stopping) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return {ChildEnd::Kind::TimedOut};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFSIGNALED(status)) {
        // stopChildren's kill is no crash.
        return {g_stopping ? ChildEnd::Kind::TimedOut : ChildEnd::Kind::Crashed};
    }
    if (WIFEXITED(status)) return {ChildEnd::Kind::Exited, WEXITSTATUS(status)};
    return {};
}

void stopChildren() {
    g_stopping = true;
    std::lock_guard lock(g_runningMutex);
    for (pid_t pid : g_running) ::kill(-pid, SIGKILL);
}

}  // namespace platform::ui
