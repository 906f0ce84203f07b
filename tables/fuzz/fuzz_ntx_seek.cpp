// libFuzzer target: seek keys in an index made of arbitrary bytes. The first
// byte gives the key length, then the key, then the index file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/ntx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::size_t keyLength = std::min<std::size_t>(data[0], size - 1);
    std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
    auto bytes = std::make_shared<std::string>(reinterpret_cast<const char*>(data + 1 + keyLength),
                                               size - 1 - keyLength);
    std::unique_ptr<tables::Ntx> ntx;
    if (!tables::Ntx::open(platform::memoryFile(bytes), false, &ntx).isOk()) return 0;
    bool found = false;
    if (!ntx->seek(key, &found).isOk() || ntx->eof()) return 0;
    // Step on from the hit a little, and find it again by key and record.
    std::string hitKey = ntx->key();
    std::uint32_t hitRecno = ntx->recno();
    for (int i = 0; i < 64 && !ntx->eof(); ++i) {
        if (!ntx->next().isOk()) return 0;
    }
    // Their results do not matter, only that they end without a fault.
    static_cast<void>(ntx->locate(hitKey, hitRecno, &found));
    static_cast<void>(ntx->prev());
    return 0;
}
