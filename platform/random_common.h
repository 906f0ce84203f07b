#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

// For random_posix.cpp and random_win.cpp: bytes as hex digits, and the
// fallback when the system's source fails.
namespace platform::detail {

inline std::string hexDigits(const unsigned char* bytes, std::size_t digits) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < digits; ++i) {
        const unsigned char b = bytes[i / 2];
        out += kHex[i % 2 == 0 ? b >> 4 : b & 0xF];
    }
    return out;
}

inline void fallbackBytes(unsigned char* bytes, std::size_t n) {
    std::random_device device;
    std::seed_seq seed{device(), device(),
                       unsigned(std::chrono::steady_clock::now().time_since_epoch().count()),
                       unsigned(std::uintptr_t(bytes))};
    std::mt19937_64 mix(seed);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(mix() >> 56);
}

}  // namespace platform::detail
