#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"
#include "tables/dbf_header.h"

namespace tables {

// An open DBF table: header, fields, record reads and writes. Throws nothing.
//
// Shared opens expect the point-of-sale to change the file at any moment:
// refresh() re-reads the record count, a record that can no longer be read
// whole is Corrupt ("the table changed"), and writes take the standard locks
// (dbf.md, section 7): the record lock at 1,000,000,000 + recno around a
// record write, the header lock at 1,000,000,000 around an append. A record
// read in a shared open is never a mix of two writes: it is read under a
// shared lock on the same byte (so a writer's record lock, or its lock of the
// whole table, is waited for), and read again until two reads agree (a
// writer that takes no lock). The lock is held for the reads alone. Locks
// are waited for `lockWait` at most, then the read is Locked.
// One thread at a time per object.
class Dbf {
public:
    static constexpr std::uint64_t kLockBase = 1000000000ULL;

    // Reads the header and field descriptors of the table in `file`.
    // Unsupported or Corrupt when they are not a usable level 3 table.
    static platform::Status open(std::unique_ptr<platform::File> file, bool shared, bool readOnly,
                                 std::unique_ptr<Dbf>* out);

    // Writes an empty table with `fields` (checked by checkNewFields, which
    // also fills in their offsets) into the empty `file`.
    static platform::Status create(platform::File& file, std::vector<DbfField> fields);

    const std::vector<DbfField>& fields() const { return m_fields; }
    const DbfHeader& header() const { return m_header; }
    bool readOnly() const { return m_readOnly; }
    bool shared() const { return m_shared; }

    // Record count as last read (open, refresh, append).
    std::uint32_t recordCount() const { return m_count; }

    // Re-reads the record count from the header, clamped to the records the
    // file really holds (a writer may update the count before the record).
    platform::Status refresh();

    // How long a shared open waits for another program's lock (2 seconds
    // unless set).
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }
    int lockWait() const { return m_lockWaitMs; }

    // Reads record `recno` (1..recordCount()) into `record`. Corrupt when the
    // file no longer holds it whole; Locked when another program keeps it
    // locked, or keeps changing it, for longer than the lock wait.
    platform::Status read(std::uint32_t recno, std::string* record);

    // Reads `count` whole records from `first` on into `buffer`, back to back.
    platform::Status readRange(std::uint32_t first, std::uint32_t count, std::string* buffer);

    // Writes a whole record over record `recno`.
    platform::Status write(std::uint32_t recno, const std::string& record);

    // Appends `record` after the last record, moves the end mark, updates the
    // count and date. `*recno` is the new record's number.
    platform::Status append(const std::string& record, std::uint32_t* recno);

    platform::Status sync() { return m_file->sync(); }

    // A record with every field blank and the live flag.
    std::string blankRecord() const { return std::string(m_header.recordLength, ' '); }

private:
    Dbf() = default;
    platform::Status readHeaderCount(std::uint32_t* count);
    platform::Status writeHeader(bool withCount);
    std::uint64_t recordOffset(std::uint32_t recno) const {
        return m_header.headerLength + std::uint64_t(recno - 1) * m_header.recordLength;
    }

    std::unique_ptr<platform::File> m_file;
    DbfHeader m_header;
    std::vector<DbfField> m_fields;
    std::uint32_t m_count = 0;
    int m_lockWaitMs = 2000;
    bool m_shared = false;
    bool m_readOnly = true;
};

// Today's local date.
void localToday(int* year, int* month, int* day);

}  // namespace tables
