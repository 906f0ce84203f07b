#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"
#include "tables/dbf.h"
#include "tables/dbf_header.h"
#include "tables/dbf_record.h"

namespace tables {

class Cursor;

// A field of a new table, as callers describe it.
struct FieldSpec {
    std::string name;  // up to 10 letters, digits, "_"
    char type = 'C';   // C, N, D or L
    int length = 0;
    int decimals = 0;
};

// `path` with `extension` (".dbf", ".ntx") added when its file name has none,
// as xBase names tables and indexes.
std::string withDefaultExtension(const std::string& path, const char* extension);

// An open DBF table with a current record: the engine's table interface.
// Nothing throws; every failure is a Status that names the table's file
// (Status::file()). One thread at a time per object.
//
// The current record: open() leaves the table at end of file; first(),
// last(), next(), prev() and goTo() move it in record order (a Cursor moves it
// in key order). Moving past the last record gives end of file, where recno()
// is the record count + 1 and every field reads blank; moving before the
// first gives bof() and stays on the first. Deleted records are visible like
// others.
//
// Writes change the current record in memory; it is written when the table
// moves, on flush(), commit() and appendBlank(), and dropped when the table
// is destroyed before any of these. A table with an open Cursor
// cannot be written: the engine does not update NTX files in place (rebuild
// the index with buildIndex instead).
class Table {
public:
    // Opens the table in the file `path` (exactly that name). Shared opens let
    // other programs open and change the file at the same time, and re-read
    // the record count before relying on it; exclusive ones fail (Locked,
    // osCode 32) while anybody else has the file open. Invalid ("DBFNTX
    // database engine not loaded") once a set-up could not build that
    // engine (dbe.h).
    [[nodiscard]] static platform::Status open(const std::string& path, bool shared, bool readOnly,
                                               std::unique_ptr<Table>* out);

    // Creates (or replaces) the file `path` as an empty table with `fields`;
    // it stays closed. The table is written to a new file beside `path`
    // (platform::TemporaryFile) and renamed over it, so a symbolic link or a
    // FIFO at `path` is replaced, never written through, and a folder there
    // makes it fail. Invalid, naming the first fault, for a field list that
    // cannot be a table (see checkNewFields).
    [[nodiscard]] static platform::Status create(const std::string& path,
                                                 const std::vector<FieldSpec>& fields);
    // Writes an empty table with `fields` into `file`, a new file open for
    // reading and writing and exclusive (platform::TemporaryFile::create),
    // and opens it through that same handle as the table `path`, exclusive:
    // nothing between the create and the writes can put another file in its
    // place. Failures as create's; `*out` is then empty.
    [[nodiscard]] static platform::Status create(std::unique_ptr<platform::File> file,
                                                 const std::string& path,
                                                 const std::vector<FieldSpec>& fields,
                                                 std::unique_ptr<Table>* out);

    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    ~Table() = default;

    const std::string& path() const { return m_path; }
    bool shared() const { return m_dbf->shared(); }
    // How long a shared open waits for another program's record, table or
    // index lock before the operation is Locked: 2 seconds unless set. Cursors
    // opened later take it too.
    void setLockWait(int milliseconds) { m_dbf->setLockWait(milliseconds); }
    int lockWait() const { return m_dbf->lockWait(); }
    bool readOnly() const { return m_dbf->readOnly(); }
    const std::vector<DbfField>& fields() const { return m_dbf->fields(); }
    // The field layout, in order.
    std::vector<FieldSpec> structure() const;
    // Index of the field `name` (case ignored), or -1.
    int fieldIndex(std::string_view name) const { return findDbfField(fields(), name); }

    // The record count, re-read from the file first in a shared open.
    [[nodiscard]] platform::Status recordCount(std::uint32_t* count);

    // Reads `count` whole records from `first` on straight from the file,
    // back to back, leaving the current record alone (bulk reads).
    [[nodiscard]] platform::Status readRecords(std::uint32_t first, std::uint32_t count,
                                               std::string* buffer) {
        return fail(m_dbf->readRange(first, count, buffer));
    }
    std::size_t recordLength() const { return m_dbf->header().recordLength; }

    // --- the current record ---
    std::uint32_t recno() const { return m_recno; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool deleted() const { return !m_eof && m_record[0] == kDeletedFlag; }

    // Goes to record `recno`; outside 1..count: end of file (not a failure).
    [[nodiscard]] platform::Status goTo(std::uint32_t recno);
    // First / last record in record order (end of file, and bof, when empty).
    [[nodiscard]] platform::Status first();
    [[nodiscard]] platform::Status last();
    // The next / previous record (see the cursor rules above); from end of
    // file, prev() goes to the last record.
    [[nodiscard]] platform::Status next();
    [[nodiscard]] platform::Status prev();

    // --- fields of the current record (names without regard to case) ---
    // NotFound for a name that is no field of the table.

    // The raw text, blank-padded to the field width.
    [[nodiscard]] platform::Status getText(std::string_view name, std::string* text) const;
    // Numeric value (blank or unparsable text: 0).
    [[nodiscard]] platform::Status getNumber(std::string_view name, double* value) const;
    // T, t, Y, y are true; anything else is false.
    [[nodiscard]] platform::Status getLogical(std::string_view name, bool* value) const;

    // Invalid when the table cannot be written: open read-only, or with an
    // open Cursor.
    [[nodiscard]] platform::Status checkWritable() const;
    // Store a value in the current record, after checkWritable(); Invalid at
    // end of file. Text is cut or blank-padded to the width; a number goes
    // only into an N or F field and only when it fits (Invalid otherwise,
    // never a cut or starred value); a logical is written "T" or "F".
    [[nodiscard]] platform::Status putText(std::string_view name, std::string_view text);
    [[nodiscard]] platform::Status putNumber(std::string_view name, double value);
    [[nodiscard]] platform::Status putLogical(std::string_view name, bool value);
    // Marks the current record deleted (its flag byte becomes "*"); it stays
    // in place, visible, with its number and index keys.
    [[nodiscard]] platform::Status markDeleted();
    // Appends a blank record (under the header lock when shared) and goes to it.
    [[nodiscard]] platform::Status appendBlank();

    // Writes the pending change of the current record.
    [[nodiscard]] platform::Status flush();
    // flush(), then flushes the file to disk (not read-only tables). The
    // file is flushed even when the pending change cannot be written; the
    // result is the first failure.
    [[nodiscard]] platform::Status commit();

private:
    friend class Cursor;

    Table() = default;
    // How the table's files (the table, its indexes) are opened.
    static platform::OpenMode openMode(bool shared, bool readOnly);
    platform::Status fail(platform::Status st) const { return st.inFile(m_path); }
    platform::Status refresh();
    void setEof();
    platform::Status load(std::uint32_t recno);
    platform::Status field(std::string_view name, const DbfField** out) const;
    template <class Put>
    platform::Status put(std::string_view name, Put put);

    std::string m_path;
    std::unique_ptr<Dbf> m_dbf;
    std::string m_record;
    std::uint32_t m_recno = 0;
    bool m_eof = true;
    bool m_bof = true;
    bool m_dirty = false;
    int m_cursors = 0;         // open Cursors over this table
    std::uint64_t m_moves = 0;  // counts changes of the current record
};

}  // namespace tables
