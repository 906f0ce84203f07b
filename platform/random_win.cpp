#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "platform/random.h"
#include "platform/random_common.h"

namespace platform {

std::string randomHex(std::size_t digits) {
    std::vector<unsigned char> bytes((digits + 1) / 2);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), ULONG(bytes.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        detail::fallbackBytes(bytes.data(), bytes.size());
    }
    return detail::hexDigits(bytes.data(), digits);
}

}  // namespace platform
