#include "tables/dbf.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/local_time.h"
#include "tables/le.h"

namespace tables {

using platform::Status;

void localToday(int* year, int* month, int* day) {
    const std::tm tm = platform::localTime(std::time(nullptr));
    *year = tm.tm_year + 1900;
    *month = tm.tm_mon + 1;
    *day = tm.tm_mday;
}

namespace {

Status readExact(platform::File& file, std::uint64_t offset, void* buffer, std::size_t length,
                 const char* what) {
    std::size_t got = 0;
    Status st = file.readAt(offset, buffer, length, &got);
    if (!st.isOk()) return st;
    if (got != length) return Status::corrupt(std::string(what) + " cut short (file too small)");
    return {};
}

// Runs `op` under the byte lock at `offset` (exclusive for a writer, shared
// for a reader) when `shared`; waits up to `waitMs` for another program's.
template <class Op>
Status underLock(platform::File& file, bool shared, std::uint64_t offset, bool exclusive, int waitMs,
                 Op op) {
    if (!shared) return op();
    Status st = file.lock(offset, 1, exclusive, waitMs);
    if (!st.isOk()) return st;
    Status result = op();
    // A lock that cannot be released goes with the handle when it closes.
    static_cast<void>(file.unlock(offset, 1));
    return result;
}

}  // namespace

Status Dbf::open(std::unique_ptr<platform::File> file, bool shared, bool readOnly,
                 std::unique_ptr<Dbf>* out) {
    out->reset();
    std::unique_ptr<Dbf> dbf(new Dbf);
    std::uint8_t head[kDbfHeaderSize];
    Status st = readExact(*file, 0, head, sizeof head, "table header");
    if (!st.isOk()) return st;
    int year, month, day;
    localToday(&year, &month, &day);
    st = decodeDbfHeader(head, year, &dbf->m_header);
    if (!st.isOk()) return st;
    std::string area(dbf->m_header.headerLength - kDbfHeaderSize, '\0');
    st = readExact(*file, kDbfHeaderSize, area.data(), area.size(), "field descriptors");
    if (!st.isOk()) return st;
    st = decodeDbfFields(reinterpret_cast<const std::uint8_t*>(area.data()), area.size(),
                         dbf->m_header, &dbf->m_fields);
    if (!st.isOk()) return st;
    dbf->m_file = std::move(file);
    dbf->m_shared = shared;
    dbf->m_readOnly = readOnly;
    st = dbf->refresh();
    if (!st.isOk()) return st;
    *out = std::move(dbf);
    return {};
}

Status Dbf::create(platform::File& file, std::vector<DbfField> fields) {
    Status st = checkNewFields(&fields);
    if (!st.isOk()) return st;
    int year, month, day;
    localToday(&year, &month, &day);
    std::string image = newDbfImage(fields, year, month, day);
    st = file.truncate(0);
    if (st.isOk()) st = file.writeAt(0, image.data(), image.size());
    if (st.isOk()) st = file.sync();
    return st;
}

Status Dbf::readHeaderCount(std::uint32_t* count) {
    std::uint8_t bytes[4];
    Status st = readExact(*m_file, 4, bytes, 4, "table header");
    if (!st.isOk()) return st;
    *count = getLe32(bytes);
    return {};
}

Status Dbf::refresh() {
    std::uint32_t count = 0;
    Status st = readHeaderCount(&count);
    if (!st.isOk()) return st;
    std::uint64_t size = 0;
    st = m_file->size(&size);
    if (!st.isOk()) return st;
    std::uint64_t room = size > m_header.headerLength
                             ? (size - m_header.headerLength) / m_header.recordLength
                             : 0;
    m_count = std::uint32_t(std::min<std::uint64_t>(count, room));
    return {};
}

Status Dbf::read(std::uint32_t recno, std::string* record) {
    if (recno < 1 || recno > m_count) {
        return Status::invalid("record " + std::to_string(recno) + " does not exist");
    }
    record->resize(m_header.recordLength);
    auto readOnce = [&](std::string* into) {
        Status st = readExact(*m_file, recordOffset(recno), into->data(), into->size(), "record");
        if (st.code() == Status::Code::Corrupt) {
            return Status::corrupt("record " + std::to_string(recno) +
                                   " cannot be read whole: the table changed or is damaged");
        }
        return st;
    };
    if (!m_shared) return readOnce(record);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_lockWaitMs);
    std::string again(record->size(), '\0');
    for (;;) {
        Status st = underLock(*m_file, true, kLockBase + recno, false, m_lockWaitMs, [&] {
            Status read = readOnce(record);
            return read.isOk() ? readOnce(&again) : read;
        });
        if (st.code() == Status::Code::Locked) {
            return Status::locked("record " + std::to_string(recno) +
                                      " is being changed by another program",
                                  st.osCode());
        }
        if (!st.isOk() || again == *record) return st;
        // Written meanwhile without its lock: read until two reads agree.
        if (std::chrono::steady_clock::now() >= giveUp) {
            return Status::locked("record " + std::to_string(recno) +
                                  " keeps changing while it is read");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

Status Dbf::readRange(std::uint32_t first, std::uint32_t count, std::string* buffer) {
    if (count == 0) {
        buffer->clear();
        return {};
    }
    if (first < 1 || std::uint64_t(first) + count - 1 > m_count) {
        return Status::invalid("records beyond the end of the table");
    }
    buffer->resize(std::size_t(count) * m_header.recordLength);
    return readExact(*m_file, recordOffset(first), buffer->data(), buffer->size(), "records");
}

// Stamps today's date and, with `withCount`, the record count. Only an
// append (under the header lock) writes the count: a record write must not put
// back a count that another program has raised meanwhile.
Status Dbf::writeHeader(bool withCount) {
    localToday(&m_header.year, &m_header.month, &m_header.day);
    m_header.recordCount = m_count;
    std::uint8_t fresh[kDbfHeaderSize];
    encodeDbfHeader(m_header, fresh);
    return m_file->writeAt(1, fresh + 1, withCount ? 7 : 3);
}

Status Dbf::write(std::uint32_t recno, const std::string& record) {
    if (m_readOnly) return Status::invalid("table is open read-only");
    if (recno < 1 || recno > m_count || record.size() != m_header.recordLength) {
        return Status::invalid("record " + std::to_string(recno) + " cannot be written");
    }
    return underLock(*m_file, m_shared, kLockBase + recno, true, m_lockWaitMs, [&] {
        Status st = m_file->writeAt(recordOffset(recno), record.data(), record.size());
        if (st.isOk()) st = writeHeader(false);
        return st;
    });
}

Status Dbf::append(const std::string& record, std::uint32_t* recno) {
    if (m_readOnly) return Status::invalid("table is open read-only");
    if (record.size() != m_header.recordLength) return Status::invalid("record of wrong length");
    return underLock(*m_file, m_shared, kLockBase, true, m_lockWaitMs, [&] {
        Status st = m_shared ? refresh() : Status();
        if (!st.isOk()) return st;
        if (m_count == 0xFFFFFFFFu) return Status::invalid("table is full");
        std::string bytes = record;
        bytes.push_back(char(kDbfEofMark));
        st = m_file->writeAt(recordOffset(m_count + 1), bytes.data(), bytes.size());
        if (!st.isOk()) return st;
        ++m_count;
        *recno = m_count;
        return writeHeader(true);
    });
}

}  // namespace tables
