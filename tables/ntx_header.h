#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/status.h"

// The NTX header page (ntx.md, section 2). Encoding writes every byte of the
// 1024-byte page; decoding checks the sizes and offsets it will rely on.
namespace tables {

inline constexpr std::size_t kNtxPageSize = 1024;
inline constexpr std::uint16_t kNtxSignature = 6;
inline constexpr std::size_t kNtxExpressionSize = 256;
inline constexpr std::uint16_t kNtxMaxKeySize = 240;

struct NtxHeader {
    std::uint16_t signature = kNtxSignature;
    std::uint16_t version = 1;   // change counter
    std::uint32_t root = 0;      // offset of the root page
    std::uint32_t freePage = 0;  // first free page, 0 = none
    std::uint16_t itemSize = 0;  // key size + 8
    std::uint16_t keySize = 0;
    std::uint16_t decimals = 0;
    std::uint16_t maxItems = 0;
    std::uint16_t halfPage = 0;
    std::string keyExpression;   // e.g. "istock->code"
    std::uint8_t unique = 0;
};

// Max items per page for a key size, as the family's engines compute it: the
// largest even count whose offsets and items fit in a page.
std::uint16_t ntxMaxItems(std::uint16_t keySize);

// A header for a new index on keys of `keySize` bytes (1..kNtxMaxKeySize).
NtxHeader newNtxHeader(std::uint16_t keySize, const std::string& keyExpression);

void encodeNtxHeader(const NtxHeader& header, std::uint8_t* out);

// Unsupported for another signature; Corrupt when the key size, item size or
// max items do not describe a page layout that fits in 1024 bytes, when the
// root is not a page offset, or the expression is not ended by 0x00.
platform::Status decodeNtxHeader(const std::uint8_t* in, NtxHeader* header);

// Where the offset table of a page ends and the first item slot starts.
inline std::size_t ntxFirstSlot(const NtxHeader& h) { return 2 + 2 * (std::size_t(h.maxItems) + 1); }

}  // namespace tables
