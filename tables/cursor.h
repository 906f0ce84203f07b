#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "tables/ntx.h"
#include "tables/table.h"

namespace tables {

// An NTX index over an open Table: moves the table's current record in key
// order. Failures name the file they concern (Status::file()): the index, or
// the table when reading its record failed. Nothing throws; the same thread
// as the table, which must outlive the cursor. While a cursor is open the
// table cannot be written (see Table).
//
// Every move writes the table's pending change first. The cursor follows the
// table: after Table::goTo, next() and prev() go on in key order from that
// record (found again by its key; Invalid when the key expression names no
// field of the table, Corrupt when the record is missing from the index).
//
// Every move that lands on an index entry (seek, first, last, next, prev)
// checks that the record it leads to holds the entry's key in its key field.
// An entry that leads to a record with another key, or past the end of the
// table, is a stale or damaged index: Corrupt, and the table goes to end of
// file, so no caller ever reads another key's record as if it were the one
// asked for. An index whose key expression names no field of the table
// cannot be checked: Invalid on every such move.
class Cursor {
public:
    // Opens the index in the file `path` with the table's access and sharing.
    // The table does not move.
    [[nodiscard]] static platform::Status open(Table& table, const std::string& path,
                                               std::unique_ptr<Cursor>* out);

    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    ~Cursor();

    const std::string& path() const { return m_path; }
    const NtxHeader& header() const { return m_ntx->header(); }
    Table& table() { return m_table; }

    // Exact seek (not soft): goes to the first record whose key begins with
    // `key` (cut to the key size) and sets `*found`; without one, the table
    // goes to end of file and `*found` is false.
    [[nodiscard]] platform::Status seek(std::string_view key, bool* found);
    // The first / last record in key order (end of file, and bof, when the
    // index is empty).
    [[nodiscard]] platform::Status first();
    [[nodiscard]] platform::Status last();
    // The next / previous record in key order. At end of file next() stays
    // there and prev() goes to the last record; before the first, prev()
    // gives bof and stays on the first.
    [[nodiscard]] platform::Status next();
    [[nodiscard]] platform::Status prev();

    bool eof() const { return m_table.eof(); }
    bool bof() const { return m_table.bof(); }

private:
    Cursor(Table& table, std::string path, std::unique_ptr<Ntx> ntx);
    platform::Status fail(platform::Status st) const { return st.inFile(m_path); }
    platform::Status follow();
    platform::Status followEntry();
    platform::Status checkRecordKey();
    std::string recordKey() const;
    platform::Status place();
    platform::Status end(bool top);
    platform::Status step(bool forward);

    Table& m_table;
    std::string m_path;
    std::unique_ptr<Ntx> m_ntx;
    int m_keyField = -1;
    // The table's move count when the cursor last put it on a record: equal
    // while the index cursor stands on the table's current record.
    std::uint64_t m_placedAt = ~std::uint64_t(0);
};

// The parts of a key expression, "alias->field" or just "field", as written
// (Table::fieldIndex ignores blanks around a name).
struct KeyExpression {
    std::string alias;  // "" when there is none
    std::string field;
};
KeyExpression parseKeyExpression(std::string_view expression);

}  // namespace tables
