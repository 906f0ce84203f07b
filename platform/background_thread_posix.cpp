#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/background_thread.h"
#include "platform/path.h"

namespace platform {

void makeThisThreadBackground() {
#ifdef __linux__
    // Not SCHED_IDLE: a thread of that class that holds a lock the display
    // waits for may get no processor at all while other programs are busy.
    const pid_t thread = pid_t(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, id_t(thread), 19);  // per thread on Linux
    constexpr int kWhoProcess = 1, kClassIdle = 3, kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, thread, kClassIdle << kClassShift);
#else
    sched_param lowest{};
    lowest.sched_priority = ::sched_get_priority_min(SCHED_OTHER);
    ::pthread_setschedparam(::pthread_self(), SCHED_OTHER, &lowest);
#endif
}

std::vector<FolderEntry> folderEntries(const std::string& path) {
    std::vector<FolderEntry> out;
    const std::optional<std::string> native = toNative(path);
    if (!native) return out;
    DIR* dir = ::opendir(native->c_str());
    if (!dir) return out;
    while (const dirent* entry = ::readdir(dir)) {
        FolderEntry e;
        e.name = entry->d_name;
        if (e.name == "." || e.name == "..") continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0) {
            e.isFolder = S_ISDIR(st.st_mode);
            e.isFile = S_ISREG(st.st_mode);
        }
        out.push_back(std::move(e));
    }
    ::closedir(dir);
    return out;
}

}  // namespace platform
