#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"
#include "tables/ntx_header.h"
#include "tables/ntx_page.h"

namespace tables {

// An open NTX index with one cursor: seek, walk in key order both ways, and
// find the entry of a given record. Throws nothing; one thread at a time.
//
// Shared opens take the index lock (1,000,000,000, length 1; ntx.md section 7)
// around every operation, re-read the header each time and drop the cursor's
// pages when the change counter or the root moved, finding the current entry
// again by its key and record number.
//
// Damaged files give Corrupt, never a crash or a hang: page offsets are
// checked against the file size, a descent deeper than kMaxDepth or leaves at
// different depths mean a cycle or a broken tree, and a walk may take at most
// (pages x (max + 1)) steps from its starting seek.
class Ntx {
public:
    static constexpr std::uint64_t kIndexLock = 1000000000ULL;
    static constexpr int kMaxDepth = 32;

    // Opens the index in `file`; a shared open waits `lockWaitMs` at most for
    // the index lock.
    static platform::Status open(std::unique_ptr<platform::File> file, bool shared, int lockWaitMs,
                                 std::unique_ptr<Ntx>* out);
    // The same with the usual wait of 2 seconds.
    static platform::Status open(std::unique_ptr<platform::File> file, bool shared,
                                 std::unique_ptr<Ntx>* out) {
        return open(std::move(file), shared, kDefaultLockWaitMs, out);
    }
    static constexpr int kDefaultLockWaitMs = 2000;

    const NtxHeader& header() const { return m_header; }


    // Moves to the first entry whose key, compared over the length of `key`
    // (cut to the key size), is not less than `key`. `*found` tells whether
    // that entry begins with `key`. Without such an entry: eof.
    platform::Status seek(std::string_view key, bool* found);

    // First and last entry in key order (eof when the index is empty).
    platform::Status first();
    platform::Status last();
    // The entry after / before the current one; after the last: eof; before
    // the first: bof (and the cursor stays on the first entry).
    platform::Status next();
    platform::Status prev();

    // Moves to the entry of record `recno` with the full key `key`; `*found`
    // false (and eof) when there is none.
    platform::Status locate(std::string_view key, std::uint32_t recno, bool* found);

    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    // The current entry (valid unless eof).
    std::uint32_t recno() const { return m_recno; }
    const std::string& key() const { return m_key; }

private:
    struct Frame {
        NtxPage page;
        int pos = 0;  // entry index on the top frame, child index below it
    };

    Ntx() = default;
    template <class Op>
    platform::Status guarded(Op op);
    platform::Status readHeader();
    platform::Status readPage(std::uint32_t offset, NtxPage* page);
    platform::Status push(std::uint32_t offset);
    platform::Status descend(bool leftmost);
    platform::Status settle();
    platform::Status doSeek(std::string_view key, bool* found);
    platform::Status doFirst(bool leftmost);
    platform::Status step(bool forward);
    platform::Status restore();
    platform::Status countStep();
    platform::Status checkLeafDepth();
    void setEof();

    std::unique_ptr<platform::File> m_file;
    bool m_shared = false;
    int m_lockWaitMs = 2000;
    NtxHeader m_header;
    std::uint64_t m_fileSize = 0;
    std::vector<Frame> m_path;
    int m_leafDepth = -1;
    std::uint64_t m_steps = 0;
    bool m_eof = true;
    bool m_bof = false;
    bool m_stale = false;  // the tree changed since the cursor was placed
    std::uint32_t m_recno = 0;
    std::string m_key;
};

}  // namespace tables
