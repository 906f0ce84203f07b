#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/status.h"
#include "tables/ntx_header.h"

// One NTX tree page (ntx.md, section 3): a count n, max + 1 slot offsets, and
// the items they point at; entries 0..n-1 are keys in order, entry n only
// carries the rightmost child.
namespace tables {

class NtxPage {
public:
    // Takes a copy of the 1024 bytes at page offset `offset`. Corrupt when the
    // count exceeds the header's max or an offset of entries 0..n points
    // outside the item area of the page.
    platform::Status decode(const std::uint8_t* bytes, const NtxHeader& header,
                            std::uint32_t offset);

    std::uint32_t offset() const { return m_offset; }
    int count() const { return m_count; }
    bool isLeaf() const { return child(m_count) == 0; }
    // Entry i, 0 <= i <= count() (entry count() is the extra item).
    std::uint32_t child(int i) const;
    std::uint32_t recno(int i) const;
    std::string_view key(int i) const;

private:
    const std::uint8_t* item(int i) const { return m_bytes.data() + m_slot[i]; }

    std::array<std::uint8_t, kNtxPageSize> m_bytes{};
    std::array<std::uint16_t, kNtxPageSize / 2> m_slot{};
    std::uint32_t m_offset = 0;
    int m_count = 0;
    std::uint16_t m_keySize = 0;
};

// One entry to encode: its left child, record number and key (keySize bytes).
struct NtxEntryRef {
    std::uint32_t child = 0;
    std::uint32_t recno = 0;
    const std::uint8_t* key = nullptr;
};

// Writes a whole page: count, all max + 1 offsets naming distinct slots in
// increasing order, the n entries in slots 0..n-1, the extra item in slot n
// with `rightChild`, record 0 and a zero key, and zeros everywhere else.
void encodeNtxPage(const NtxHeader& header, const NtxEntryRef* entries, int count,
                   std::uint32_t rightChild, std::uint8_t* out);

// Checks the layout rules a writer must keep for other engines to insert
// safely: count <= max, every one of the max + 1 offsets names a distinct,
// non-overlapping slot inside the page after the offset table, and children
// are all zero (leaf) or all non-zero (branch). Corrupt naming the fault.
platform::Status checkNtxPageLayout(const std::uint8_t* bytes, const NtxHeader& header);

}  // namespace tables
