#pragma once

#include <string>

namespace platform {

// `digits` lowercase hex digits from the operating system's cryptographic
// random source (getrandom on Linux, BCryptGenRandom on Windows), for names no
// one can know before the program takes them. Should that source fail, the
// digits come from std::random_device mixed with the clock. Any thread.
std::string randomHex(std::size_t digits);

}  // namespace platform
