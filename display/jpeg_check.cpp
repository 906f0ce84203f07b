#include "display/jpeg_check.h"

#include <cstdint>
#include <cstring>

namespace display {
namespace {

constexpr std::uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kTem = 0x01;

bool isRestart(std::uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

}  // namespace

bool jpegIsComplete(std::string_view bytes) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != kSoi) return false;
    std::size_t i = 2;
    while (i < n) {
        if (b[i] != 0xFF) {  // stray bytes between segments: decoders skip them too
            const void* next = std::memchr(b + i, 0xFF, n - i);
            if (!next) return false;
            i = std::size_t(static_cast<const std::uint8_t*>(next) - b);
        }
        while (i < n && b[i] == 0xFF) ++i;  // fill bytes
        if (i >= n) return false;
        const std::uint8_t marker = b[i++];
        if (marker == kEoi) return true;
        if (marker == kTem || isRestart(marker) || marker == 0x00) continue;
        if (n - i < 2) return false;
        const std::size_t length = std::size_t(b[i]) << 8 | b[i + 1];
        if (length < 2 || length > n - i) return false;
        i += length;
        if (marker != kSos) continue;
        // Entropy-coded data runs to the next marker other than a stuffed
        // 0xFF00 or a restart marker.
        for (;;) {
            const void* ff = std::memchr(b + i, 0xFF, n - i);
            if (!ff) return false;
            i = std::size_t(static_cast<const std::uint8_t*>(ff) - b);
            if (i + 1 >= n) return false;
            const std::uint8_t next = b[i + 1];
            if (next == 0x00 || isRestart(next)) {
                i += 2;
                continue;
            }
            if (next == 0xFF) {
                ++i;
                continue;
            }
            break;
        }
    }
    return false;
}

}  // namespace display
