#include "tables/ntx_header.h"

#include <cstring>

#include "tables/le.h"

namespace tables {

using platform::Status;

std::uint16_t ntxMaxItems(std::uint16_t keySize) {
    int max = 1022 / (keySize + 10) - 1;
    if (max % 2 != 0) --max;
    return std::uint16_t(max < 0 ? 0 : max);
}

NtxHeader newNtxHeader(std::uint16_t keySize, const std::string& keyExpression) {
    NtxHeader h;
    h.keySize = keySize;
    h.itemSize = std::uint16_t(keySize + 8);
    h.maxItems = ntxMaxItems(keySize);
    h.halfPage = std::uint16_t(h.maxItems / 2);
    h.keyExpression = keyExpression.substr(0, kNtxExpressionSize - 1);
    return h;
}

void encodeNtxHeader(const NtxHeader& h, std::uint8_t* out) {
    std::memset(out, 0, kNtxPageSize);
    putLe16(out + 0, h.signature);
    putLe16(out + 2, h.version);
    putLe32(out + 4, h.root);
    putLe32(out + 8, h.freePage);
    putLe16(out + 12, h.itemSize);
    putLe16(out + 14, h.keySize);
    putLe16(out + 16, h.decimals);
    putLe16(out + 18, h.maxItems);
    putLe16(out + 20, h.halfPage);
    std::memcpy(out + 22, h.keyExpression.data(),
                std::min(h.keyExpression.size(), kNtxExpressionSize - 1));
    out[278] = h.unique;
}

Status decodeNtxHeader(const std::uint8_t* in, NtxHeader* h) {
    h->signature = getLe16(in + 0);
    if (h->signature != kNtxSignature) {
        return Status(Status::Code::Unsupported,
                      "not an NTX index (signature " + std::to_string(h->signature) + ")");
    }
    h->version = getLe16(in + 2);
    h->root = getLe32(in + 4);
    h->freePage = getLe32(in + 8);
    h->itemSize = getLe16(in + 12);
    h->keySize = getLe16(in + 14);
    h->decimals = getLe16(in + 16);
    h->maxItems = getLe16(in + 18);
    h->halfPage = getLe16(in + 20);
    const char* expr = reinterpret_cast<const char*>(in + 22);
    std::size_t n = 0;
    while (n < kNtxExpressionSize && expr[n] != 0) ++n;
    if (n == kNtxExpressionSize) return Status::corrupt("index key expression not ended");
    h->keyExpression.assign(expr, n);
    h->unique = in[278];
    if (h->keySize == 0 || h->keySize > kNtxMaxKeySize || h->itemSize != h->keySize + 8) {
        return Status::corrupt("index key size " + std::to_string(h->keySize) + " / item size " +
                               std::to_string(h->itemSize) + " not usable");
    }
    if (h->maxItems < 2 ||
        ntxFirstSlot(*h) + (std::size_t(h->maxItems) + 1) * h->itemSize > kNtxPageSize) {
        return Status::corrupt("index page layout (" + std::to_string(h->maxItems) +
                               " items) does not fit a page");
    }
    if (h->root < kNtxPageSize || h->root % kNtxPageSize != 0) {
        return Status::corrupt("index root offset " + std::to_string(h->root) + " not a page");
    }
    return {};
}

}  // namespace tables
