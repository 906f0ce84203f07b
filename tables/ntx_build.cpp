#include "tables/ntx_build.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "tables/ntx_page.h"

namespace tables {

using platform::Status;

std::vector<std::uint32_t> sortNtxKeys(const std::uint8_t* keys, std::uint16_t keySize,
                                       std::uint32_t count) {
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t i = 0; i < count; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        int c = std::memcmp(keys + std::size_t(a) * keySize, keys + std::size_t(b) * keySize,
                            keySize);
        return c < 0 || (c == 0 && a < b);
    });
    return order;
}

namespace {

// Pages are gathered and written in batches.
class PageWriter {
public:
    explicit PageWriter(platform::File& out) : m_out(out) {}

    // Reserves the next page; returns its offset and where to encode it.
    std::uint8_t* next(std::uint32_t* offset) {
        *offset = std::uint32_t(m_next);
        m_next += kNtxPageSize;
        m_buffer.resize(m_buffer.size() + kNtxPageSize);
        return reinterpret_cast<std::uint8_t*>(m_buffer.data()) + m_buffer.size() - kNtxPageSize;
    }

    Status flushIfFull() { return m_buffer.size() >= kBatch ? flush() : Status(); }

    Status flush() {
        if (m_buffer.empty()) return {};
        Status st = m_out.writeAt(m_next - m_buffer.size(), m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return st;
    }

    bool tooBig() const { return m_next > 0xFFFFFC00ULL; }

private:
    static constexpr std::size_t kBatch = 256 * kNtxPageSize;
    platform::File& m_out;
    std::uint64_t m_next = kNtxPageSize;  // page 0 is the header
    std::string m_buffer;
};

}  // namespace

Status writeNtx(platform::File& out, NtxHeader header, const std::uint8_t* keys,
                const std::vector<std::uint32_t>& order) {
    const int max = header.maxItems;
    const std::size_t ks = header.keySize;
    PageWriter writer(out);
    // One level: entries seps[0..m) (record indexes) with children[0..m] from
    // the level below (none at the leaves). Cut into the fewest pages of at
    // most max entries such that the entries between pages move up one level;
    // spreading the rest evenly keeps every page at half or more.
    const std::vector<std::uint32_t>* level = &order;
    std::vector<std::uint32_t> upper, children;
    std::vector<NtxEntryRef> refs(std::size_t(max) + 1);
    for (;;) {
        std::uint64_t m = level->size();
        std::uint64_t pages = m <= std::uint64_t(max) ? 1 : (m + 1 + max) / (max + 1);
        std::uint64_t inPages = m - (pages - 1);
        std::uint64_t base = inPages / pages, extra = inPages % pages;
        std::vector<std::uint32_t> upSeps, upChildren;
        upSeps.reserve(std::size_t(pages));
        upChildren.reserve(std::size_t(pages));
        std::size_t pos = 0;
        for (std::uint64_t p = 0; p < pages; ++p) {
            int n = int(base + (p < extra ? 1 : 0));
            for (int i = 0; i < n; ++i) {
                std::uint32_t idx = (*level)[pos + std::size_t(i)];
                refs[std::size_t(i)].child = children.empty() ? 0 : children[pos + std::size_t(i)];
                refs[std::size_t(i)].recno = idx + 1;
                refs[std::size_t(i)].key = keys + std::size_t(idx) * ks;
            }
            std::uint32_t right = children.empty() ? 0 : children[pos + std::size_t(n)];
            std::uint32_t offset = 0;
            if (writer.tooBig()) return Status::invalid("index would exceed 4 GB");
            encodeNtxPage(header, refs.data(), n, right, writer.next(&offset));
            upChildren.push_back(offset);
            pos += std::size_t(n);
            if (p + 1 < pages) upSeps.push_back((*level)[pos++]);
            Status st = writer.flushIfFull();
            if (!st.isOk()) return st;
        }
        if (pages == 1) {
            header.root = upChildren[0];
            break;
        }
        upper = std::move(upSeps);
        level = &upper;
        children = std::move(upChildren);
    }
    Status st = writer.flush();
    if (!st.isOk()) return st;
    std::uint8_t head[kNtxPageSize];
    encodeNtxHeader(header, head);
    return out.writeAt(0, head, sizeof head);
}

}  // namespace tables
