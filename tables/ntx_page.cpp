#include "tables/ntx_page.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tables/le.h"

namespace tables {

using platform::Status;

namespace {

std::string pageName(std::uint32_t offset) { return "index page at " + std::to_string(offset); }

}  // namespace

Status NtxPage::decode(const std::uint8_t* bytes, const NtxHeader& h, std::uint32_t offset) {
    std::memcpy(m_bytes.data(), bytes, kNtxPageSize);
    m_offset = offset;
    m_keySize = h.keySize;
    m_count = getLe16(bytes);
    if (m_count > h.maxItems) {
        return Status::corrupt(pageName(offset) + " holds " + std::to_string(m_count) +
                               " keys, more than " + std::to_string(h.maxItems));
    }
    std::size_t first = ntxFirstSlot(h);
    for (int i = 0; i <= m_count; ++i) {
        std::uint16_t slot = getLe16(bytes + 2 + 2 * i);
        if (slot < first || slot + std::size_t(h.itemSize) > kNtxPageSize) {
            return Status::corrupt(pageName(offset) + " has item offset " + std::to_string(slot) +
                                   " outside the page");
        }
        m_slot[std::size_t(i)] = slot;
    }
    return {};
}

std::uint32_t NtxPage::child(int i) const { return getLe32(item(i)); }
std::uint32_t NtxPage::recno(int i) const { return getLe32(item(i) + 4); }
std::string_view NtxPage::key(int i) const {
    return {reinterpret_cast<const char*>(item(i) + 8), m_keySize};
}

void encodeNtxPage(const NtxHeader& h, const NtxEntryRef* entries, int count,
                   std::uint32_t rightChild, std::uint8_t* out) {
    std::memset(out, 0, kNtxPageSize);
    putLe16(out, std::uint16_t(count));
    std::size_t first = ntxFirstSlot(h);
    for (int i = 0; i <= h.maxItems; ++i) {
        putLe16(out + 2 + 2 * i, std::uint16_t(first + std::size_t(i) * h.itemSize));
    }
    for (int i = 0; i < count; ++i) {
        std::uint8_t* item = out + first + std::size_t(i) * h.itemSize;
        putLe32(item, entries[i].child);
        putLe32(item + 4, entries[i].recno);
        std::memcpy(item + 8, entries[i].key, h.keySize);
    }
    putLe32(out + first + std::size_t(count) * h.itemSize, rightChild);
}

Status checkNtxPageLayout(const std::uint8_t* bytes, const NtxHeader& h) {
    int count = getLe16(bytes);
    if (count > h.maxItems) return Status::corrupt("count above max");
    std::size_t first = ntxFirstSlot(h);
    std::vector<std::uint16_t> slots;
    for (int i = 0; i <= h.maxItems; ++i) {
        std::uint16_t s = getLe16(bytes + 2 + 2 * i);
        if (s < first || s + std::size_t(h.itemSize) > kNtxPageSize) {
            return Status::corrupt("offset " + std::to_string(i) + " (" + std::to_string(s) +
                                   ") outside the item area");
        }
        slots.push_back(s);
    }
    std::sort(slots.begin(), slots.end());
    for (std::size_t i = 1; i < slots.size(); ++i) {
        if (slots[i] - slots[i - 1] < h.itemSize) {
            return Status::corrupt("offsets name overlapping or repeated slots (" +
                                   std::to_string(slots[i - 1]) + ", " +
                                   std::to_string(slots[i]) + ")");
        }
    }
    bool branch = getLe32(bytes + getLe16(bytes + 2 + 2 * count)) != 0;
    for (int i = 0; i < count; ++i) {
        bool hasChild = getLe32(bytes + getLe16(bytes + 2 + 2 * i)) != 0;
        if (hasChild != branch) return Status::corrupt("page mixes leaf and branch items");
    }
    return {};
}

}  // namespace tables
