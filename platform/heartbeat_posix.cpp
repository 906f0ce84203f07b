#include "platform/heartbeat.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform {

bool sendHeartbeat(Beat beat) {
    const char byte = static_cast<char>(beat);
    // Never block the GUI thread that beats: write only what the pipe takes now.
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (::poll(&out, 1, 0) != 1 || !(out.revents & POLLOUT)) return false;

    // A reader that has gone raises SIGPIPE for this thread: hold it back for
    // the write and take it away again, unless one was pending already.
    sigset_t pipeSignal, before, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t n;
    do {
        n = ::write(STDOUT_FILENO, &byte, 1);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == EPIPE && !wasPending) {
        const timespec none{};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return n == 1;
}

}  // namespace platform
