#include <cstdint>
#include <cstdio>

#include "platform/single_instance.h"

namespace platform {

std::string instanceName(const std::string& key) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("lumisett-") + text;
}

}  // namespace platform
