#include "tables/ntx.h"

#include <cstring>

namespace tables {

using platform::Status;

Status Ntx::open(std::unique_ptr<platform::File> file, bool shared, int lockWaitMs,
                std::unique_ptr<Ntx>* out) {
    out->reset();
    std::unique_ptr<Ntx> ntx(new Ntx);
    ntx->m_file = std::move(file);
    ntx->m_shared = shared;
    ntx->m_lockWaitMs = lockWaitMs;
    ntx->m_path.reserve(kMaxDepth + 1);
    Status st = ntx->guarded([] { return Status(); });
    if (!st.isOk()) return st;
    *out = std::move(ntx);
    return {};
}

template <class Op>
Status Ntx::guarded(Op op) {
    if (m_shared) {
        Status st = m_file->lock(kIndexLock, 1, true, m_lockWaitMs);
        if (!st.isOk()) return st;
    }
    Status st = (m_shared || m_fileSize == 0) ? readHeader() : Status();
    if (st.isOk()) st = op();
    // A lock that cannot be released goes with the handle when it closes.
    if (m_shared) static_cast<void>(m_file->unlock(kIndexLock, 1));
    return st;
}

Status Ntx::readHeader() {
    std::uint8_t bytes[kNtxPageSize];
    std::size_t got = 0;
    Status st = m_file->readAt(0, bytes, sizeof bytes, &got);
    if (!st.isOk()) return st;
    if (got != sizeof bytes) return Status::corrupt("index header cut short (file too small)");
    NtxHeader h;
    st = decodeNtxHeader(bytes, &h);
    if (!st.isOk()) return st;
    st = m_file->size(&m_fileSize);
    if (!st.isOk()) return st;
    if (h.root + kNtxPageSize > m_fileSize) {
        return Status::corrupt("index root page lies past the end of the file");
    }
    bool changed = h.version != m_header.version || h.root != m_header.root ||
                   h.keySize != m_header.keySize || h.maxItems != m_header.maxItems;
    m_header = h;
    if (changed) {
        if (!m_path.empty()) m_stale = true;
        m_path.clear();
        m_leafDepth = -1;
    }
    return {};
}

Status Ntx::readPage(std::uint32_t offset, NtxPage* page) {
    if (offset < kNtxPageSize || offset % kNtxPageSize != 0 || offset + kNtxPageSize > m_fileSize) {
        return Status::corrupt("index page offset " + std::to_string(offset) +
                               " is not a page of the file");
    }
    std::uint8_t bytes[kNtxPageSize];
    std::size_t got = 0;
    Status st = m_file->readAt(offset, bytes, sizeof bytes, &got);
    if (!st.isOk()) return st;
    if (got != sizeof bytes) return Status::corrupt("index page cut short (the file changed)");
    return page->decode(bytes, m_header, offset);
}

Status Ntx::push(std::uint32_t offset) {
    if (m_path.size() >= std::size_t(kMaxDepth)) {
        return Status::corrupt("index pages form a cycle (tree deeper than " +
                               std::to_string(kMaxDepth) + ")");
    }
    m_path.emplace_back();
    Status st = readPage(offset, &m_path.back().page);
    if (!st.isOk()) m_path.clear();
    return st;
}

Status Ntx::countStep() {
    std::uint64_t limit = (m_fileSize / kNtxPageSize) * (std::uint64_t(m_header.maxItems) + 1) + 1;
    if (++m_steps > limit) {
        m_path.clear();
        return Status::corrupt("index walk does not end: the pages form a cycle");
    }
    return {};
}

Status Ntx::settle() {
    const Frame& f = m_path.back();
    m_recno = f.page.recno(f.pos);
    m_key.assign(f.page.key(f.pos));
    m_eof = false;
    m_bof = false;
    m_stale = false;
    return {};
}

// All leaves of a B-tree lie at one depth; the first leaf reached sets it.
Status Ntx::checkLeafDepth() {
    int depth = int(m_path.size());
    if (m_leafDepth >= 0 && depth != m_leafDepth) {
        m_path.clear();
        return Status::corrupt("index leaves lie at different depths");
    }
    m_leafDepth = depth;
    return {};
}

void Ntx::setEof() {
    m_path.clear();
    m_eof = true;
    m_recno = 0;
    m_stale = false;
}

// From the top frame's page down to a leaf along the first (leftmost) or last
// children, ending on that leaf's first or last entry.
Status Ntx::descend(bool leftmost) {
    for (;;) {
        Frame& f = m_path.back();
        int n = f.page.count();
        int ci = leftmost ? 0 : n;
        std::uint32_t child = f.page.child(ci);
        if (n == 0 && !(child == 0 && m_path.size() == 1)) {
            m_path.clear();
            return Status::corrupt("index page at " + std::to_string(f.page.offset()) +
                                   " holds no keys");
        }
        if (child == 0) {
            Status st = checkLeafDepth();
            if (!st.isOk()) return st;
            if (n == 0) {
                setEof();
                return {};
            }
            f.pos = leftmost ? 0 : n - 1;
            return settle();
        }
        f.pos = ci;
        Status st = push(child);
        if (!st.isOk()) return st;
    }
}

Status Ntx::doFirst(bool leftmost) {
    m_path.clear();
    m_steps = 0;
    Status st = push(m_header.root);
    if (!st.isOk()) return st;
    return descend(leftmost);
}

Status Ntx::doSeek(std::string_view key, bool* found) {
    *found = false;
    m_path.clear();
    m_steps = 0;
    key = key.substr(0, m_header.keySize);
    Status st = push(m_header.root);
    if (!st.isOk()) return st;
    int bestDepth = -1;
    for (;;) {
        Frame& f = m_path.back();
        int n = f.page.count();
        int lo = 0, hi = n;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (std::memcmp(f.page.key(mid).data(), key.data(), key.size()) < 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        f.pos = lo;
        if (lo < n) bestDepth = int(m_path.size()) - 1;
        std::uint32_t child = f.page.child(lo);
        if (n == 0 && !(child == 0 && m_path.size() == 1)) {
            m_path.clear();
            return Status::corrupt("index page holds no keys");
        }
        if (child == 0) {
            st = checkLeafDepth();
            if (!st.isOk()) return st;
            break;
        }
        st = push(child);
        if (!st.isOk()) return st;
    }
    if (bestDepth < 0) {
        setEof();
        return {};
    }
    m_path.resize(std::size_t(bestDepth) + 1);
    st = settle();
    *found = m_key.compare(0, key.size(), key) == 0;
    return st;
}

Status Ntx::step(bool forward) {
    Status st = countStep();
    if (!st.isOk()) return st;
    Frame& top = m_path.back();
    int i = top.pos;
    if (!top.page.isLeaf()) {
        int ci = forward ? i + 1 : i;
        top.pos = ci;
        st = push(top.page.child(ci));
        if (!st.isOk()) return st;
        return descend(forward);
    }
    if (forward && i + 1 < top.page.count()) {
        top.pos = i + 1;
        return settle();
    }
    if (!forward && i > 0) {
        top.pos = i - 1;
        return settle();
    }
    for (;;) {
        m_path.pop_back();
        if (m_path.empty()) break;
        Frame& p = m_path.back();
        if (forward && p.pos < p.page.count()) return settle();
        if (!forward && p.pos > 0) {
            --p.pos;
            return settle();
        }
    }
    if (forward) {
        setEof();
        return {};
    }
    std::uint64_t steps = m_steps;
    st = doFirst(true);
    m_steps = steps;
    m_bof = true;
    return st;
}

// After the tree changed under a shared open: find the current entry again.
// Returns with the cursor on it, or (m_stale still true) on the first entry
// after where it was.
Status Ntx::restore() {
    std::string key = m_key;
    std::uint32_t recno = m_recno;
    bool found = false;
    Status st = doSeek(key, &found);
    while (st.isOk() && !m_eof && m_key == key && m_recno != recno) st = step(true);
    if (!st.isOk() || m_eof) return st;
    m_stale = !(m_key == key && m_recno == recno);
    return {};
}

Status Ntx::seek(std::string_view key, bool* found) {
    return guarded([&] { return doSeek(key, found); });
}

Status Ntx::first() {
    return guarded([&] { return doFirst(true); });
}

Status Ntx::last() {
    return guarded([&] { return doFirst(false); });
}

Status Ntx::next() {
    return guarded([&] {
        if (m_eof) return Status();
        if (m_path.empty()) {
            Status st = restore();
            if (!st.isOk() || m_eof || m_stale) {
                m_stale = false;
                return st;
            }
        }
        return step(true);
    });
}

Status Ntx::prev() {
    return guarded([&] {
        if (m_eof) return doFirst(false);
        if (m_path.empty()) {
            Status st = restore();
            if (!st.isOk()) return st;
            if (m_eof) return doFirst(false);
            m_stale = false;
        }
        return step(false);
    });
}

Status Ntx::locate(std::string_view key, std::uint32_t recno, bool* found) {
    return guarded([&] {
        *found = false;
        Status st = doSeek(key, found);
        while (st.isOk() && !m_eof && m_key == key && m_recno != recno) st = step(true);
        if (!st.isOk()) return st;
        *found = !m_eof && m_key == key && m_recno == recno;
        if (!*found) setEof();
        return Status();
    });
}

}  // namespace tables
