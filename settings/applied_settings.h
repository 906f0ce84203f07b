#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "settings/param_file.h"

namespace settings {

// The settings in force: the parameter file's from start-up, then those of
// each Apply/Save. There is one value, published whole and read whole;
// every part of the program that uses a setting reads it here (the display
// cycle at each turn, the actions when they run), and what must act on a
// change (the code file's watch, the window's screen) follows it.
class AppliedSettings {
public:
    explicit AppliedSettings(Settings initial = {}) : m_value(std::move(initial)) {}

    // The settings in force now. Any thread.
    Settings current() const {
        std::lock_guard lock(m_mutex);
        return m_value;
    }

    // Puts `s` in force, then tells each follower, in the order they came.
    // GUI thread.
    void publish(Settings s) {
        {
            std::lock_guard lock(m_mutex);
            m_value = s;
        }
        for (const auto& follower : m_followers) follower(s);
    }

    // `follower` is told every settings published from now on. GUI thread.
    void follow(std::function<void(const Settings&)> follower) {
        m_followers.push_back(std::move(follower));
    }

private:
    mutable std::mutex m_mutex;
    Settings m_value;
    std::vector<std::function<void(const Settings&)>> m_followers;
};

}  // namespace settings
