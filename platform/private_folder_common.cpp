#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>

#include "platform/private_folder.h"

namespace platform {

bool isPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
    }
    return true;
}

std::string PrivateFolder::unpredictableName() {
    static std::mutex mutex;
    static std::mt19937_64 mixer = [] {
        std::random_device source;  // the system's random source
        std::seed_seq seed{source(), source(), source(), source(),
                           unsigned(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }();
    std::uint64_t value;
    {
        std::lock_guard lock(mutex);
        std::random_device source;
        value = mixer() ^ (std::uint64_t(source()) << 32 | source());
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace platform
