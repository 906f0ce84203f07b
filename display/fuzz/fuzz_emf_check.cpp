// libFuzzer target: the EMF structure check on arbitrary bytes. What it
// passes must hold together as it promises: records that tile the metafile
// up to its length, the first a header, the last EMR_EOF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "display/emf_check.h"

namespace {

std::uint32_t word(std::string_view bytes, std::size_t at) {
    std::uint32_t w;
    std::memcpy(&w, bytes.data() + at, 4);
    return w;  // little-endian machines only, as the fuzz build is
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const display::EmfCheck check = display::checkEmf(bytes);
    if (!check.ok()) return 0;
    if (check.length > size || check.length < 88) std::abort();
    std::size_t at = 0, last = 0;
    while (at < check.length) {
        const std::uint32_t recordSize = word(bytes, at + 4);
        if (recordSize < 8 || recordSize > check.length - at) std::abort();
        last = at;
        at += recordSize;
    }
    if (at != check.length || word(bytes, 0) != 1 || word(bytes, last) != 14) std::abort();
    return 0;
}
