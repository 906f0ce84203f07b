#include "startup/restart_policy.h"

namespace startup {

WatchdogStep RestartPolicy::ended(DisplayEnd end, WatchdogClock::time_point now) {
    if (end.kind == DisplayEnd::Kind::Closed) return WatchdogStep::End;
    if (recentRestarts(now) >= kMaxRestarts) return WatchdogStep::GiveUp;
    while (!m_restarts.empty() && now - m_restarts.front() >= kRestartWindow) m_restarts.pop_front();
    m_restarts.push_back(now);
    return WatchdogStep::Restart;
}

int RestartPolicy::recentRestarts(WatchdogClock::time_point now) const {
    int n = 0;
    for (WatchdogClock::time_point t : m_restarts) {
        if (now - t < kRestartWindow) ++n;
    }
    return n;
}

bool isHung(WatchdogClock::time_point lastSign, WatchdogClock::time_point now) {
    return now - lastSign >= kHungAfter;
}

std::string describeEnd(DisplayEnd end) {
    const std::string code = std::to_string(end.code);
    switch (end.kind) {
        case DisplayEnd::Kind::Closed:
            return "it was closed (exit code 0)";
        case DisplayEnd::Kind::Failed:
            return "it ended after an error (exit code " + code + ")";
        case DisplayEnd::Kind::Crashed:
            return "it crashed or was killed (code " + code + ")";
        case DisplayEnd::Kind::Hung:
            return "it did not answer for " + std::to_string(kHungAfter.count()) +
                   " seconds and was killed";
        case DisplayEnd::Kind::FailedToStart:
            return "it could not be started";
    }
    return "it ended";
}

}  // namespace startup
