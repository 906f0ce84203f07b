#include <sys/random.h>

#include <cerrno>
#include <vector>

#include "platform/random.h"
#include "platform/random_common.h"

namespace platform {

std::string randomHex(std::size_t digits) {
    std::vector<unsigned char> bytes((digits + 1) / 2);
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            detail::fallbackBytes(bytes.data(), bytes.size());
            break;
        }
        got += std::size_t(n);
    }
    return detail::hexDigits(bytes.data(), digits);
}

}  // namespace platform
