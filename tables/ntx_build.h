#pragma once

#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"
#include "tables/ntx_header.h"

// Bulk building of an NTX index (ntx.md, section 6): sort the keys, then
// write a balanced tree bottom-up, leaves first and the root last.
namespace tables {

// The order of `count` keys of `keySize` bytes each, stored back to back in
// `keys` (key i belongs to record i + 1): indexes into `keys`, sorted by key
// bytes (unsigned), equal keys by record number.
std::vector<std::uint32_t> sortNtxKeys(const std::uint8_t* keys, std::uint16_t keySize,
                                       std::uint32_t count);

// Writes a complete index into the empty `out`: header `header` (its root is
// filled in here), then the tree over the keys in `order` (see sortNtxKeys).
// Every page except the root holds half..max keys, all leaves lie at the same
// depth, and the file is 1024 x (pages + 1) bytes. Memory beyond the keys is
// a few pages plus the keys that move up (about 1/30 of them).
platform::Status writeNtx(platform::File& out, NtxHeader header, const std::uint8_t* keys,
                          const std::vector<std::uint32_t>& order);

}  // namespace tables
