#include "platform/local_time.h"

namespace platform {

std::tm localTime(std::time_t when) {
    std::tm tm{};
    if (!localtime_r(&when, &tm)) return std::tm{};
    return tm;
}

}  // namespace platform
