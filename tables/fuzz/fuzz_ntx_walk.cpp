// libFuzzer target: walk an index made of arbitrary bytes forwards and
// backwards. Every walk must end (eof, bof or an error).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tables/ntx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto bytes = std::make_shared<std::string>(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<tables::Ntx> ntx;
    if (!tables::Ntx::open(platform::memoryFile(bytes), false, &ntx).isOk()) return 0;
    // No walk can take more steps than the pages could hold entries.
    const std::uint64_t bound = (size / 1024 + 1) * (ntx->header().maxItems + 1ULL) + 2;
    std::uint64_t steps = 0;
    platform::Status st = ntx->first();
    while (st.isOk() && !ntx->eof()) {
        if (++steps > bound) std::abort();
        st = ntx->next();
    }
    steps = 0;
    st = ntx->last();
    while (st.isOk() && !ntx->eof() && !ntx->bof()) {
        if (++steps > bound) std::abort();
        st = ntx->prev();
    }
    return 0;
}
