#include "tables/cursor.h"

#include "tables/dbf_record.h"

namespace tables {

using platform::Status;

KeyExpression parseKeyExpression(std::string_view expression) {
    std::size_t arrow = expression.find("->");
    if (arrow == std::string_view::npos) return {"", std::string(expression)};
    return {std::string(expression.substr(0, arrow)), std::string(expression.substr(arrow + 2))};
}

Status Cursor::open(Table& table, const std::string& path, std::unique_ptr<Cursor>* out) {
    out->reset();
    std::unique_ptr<platform::File> file;
    std::unique_ptr<Ntx> ntx;
    Status st = platform::openFile(path, Table::openMode(table.shared(), table.readOnly()), &file);
    if (st.isOk()) st = Ntx::open(std::move(file), table.shared(), table.lockWait(), &ntx);
    if (!st.isOk()) return st.inFile(path);
    out->reset(new Cursor(table, path, std::move(ntx)));
    return {};
}

Cursor::Cursor(Table& table, std::string path, std::unique_ptr<Ntx> ntx)
    : m_table(table), m_path(std::move(path)), m_ntx(std::move(ntx)) {
    m_keyField = table.fieldIndex(parseKeyExpression(m_ntx->header().keyExpression).field);
    ++m_table.m_cursors;
}

Cursor::~Cursor() { --m_table.m_cursors; }

// The table follows the index cursor; counts as placed whatever the outcome.
Status Cursor::follow() {
    Status st = followEntry();
    m_placedAt = m_table.m_moves;
    return st;
}

Status Cursor::followEntry() {
    m_table.m_bof = false;
    if (m_ntx->eof()) {
        m_table.setEof();
        return {};
    }
    std::uint32_t recno = m_ntx->recno();
    const Dbf& dbf = *m_table.m_dbf;
    if (recno > dbf.recordCount()) {
        Status st = m_table.refresh();
        if (!st.isOk()) return st;
    }
    if (recno < 1 || recno > dbf.recordCount()) {
        m_table.setEof();
        return fail(Status::corrupt("index entry points to record " + std::to_string(recno) +
                                    ", past the end of the table"));
    }
    Status st = m_table.load(recno);
    if (!st.isOk()) return st;
    return checkRecordKey();
}

// A stale index (records rewritten, removed or swapped since it was built)
// leads to a record whose key is not the entry's: that record belongs to
// another key, so the cursor does not stand on it.
Status Cursor::checkRecordKey() {
    if (m_keyField < 0) {
        m_table.setEof();
        return fail(Status::invalid("the index's key " + m_ntx->header().keyExpression +
                                    " is not a field of the table, so its records cannot be "
                                    "checked against it"));
    }
    const std::string key = recordKey();
    if (key == m_ntx->key()) return {};
    const std::uint32_t recno = m_table.m_recno;
    m_table.setEof();
    return fail(Status::corrupt("index entry '" + m_ntx->key() + "' leads to record " +
                                std::to_string(recno) + ", whose key is '" + key +
                                "': the index is out of date"));
}

// The current record's key as the index keeps it: the key field's bytes,
// blank-padded or cut to the key size. Needs m_keyField >= 0.
std::string Cursor::recordKey() const {
    const DbfField& field = m_table.fields()[std::size_t(m_keyField)];
    std::string key(fieldBytes(m_table.m_record, field));
    key.resize(m_ntx->header().keySize, ' ');
    return key;
}

// Puts the index cursor on the table's current record (after Table::goTo).
Status Cursor::place() {
    if (m_placedAt == m_table.m_moves) return {};
    if (m_keyField < 0) {
        return fail(Status::invalid("cannot find the current record in order " + m_path +
                                    ": its key is not a field of the table"));
    }
    const std::string key = recordKey();
    bool found = false;
    Status st = m_ntx->locate(key, m_table.m_recno, &found);
    if (!st.isOk()) return fail(st);
    if (!found) {
        return fail(Status::corrupt("record " + std::to_string(m_table.m_recno) +
                                    " is missing from the index"));
    }
    m_placedAt = m_table.m_moves;
    return {};
}

Status Cursor::seek(std::string_view key, bool* found) {
    *found = false;
    Status st = m_table.flush();
    if (!st.isOk()) return st;
    bool hit = false;
    st = m_ntx->seek(key, &hit);
    if (!st.isOk()) {
        m_table.setEof();
        return fail(st);
    }
    if (!hit) {
        m_table.setEof();
        m_table.m_bof = false;
        return {};
    }
    st = follow();
    *found = st.isOk();
    return st;
}

Status Cursor::end(bool top) {
    Status st = m_table.flush();
    if (!st.isOk()) return st;
    st = top ? m_ntx->first() : m_ntx->last();
    if (!st.isOk()) return fail(st);
    st = follow();
    if (!st.isOk()) return st;
    m_table.m_bof = m_table.m_eof;
    return {};
}

Status Cursor::first() { return end(true); }
Status Cursor::last() { return end(false); }

Status Cursor::step(bool forward) {
    Status st = m_table.flush();
    if (!st.isOk()) return st;
    if (m_table.m_eof) return forward ? Status() : last();
    st = place();
    if (!st.isOk()) return st;
    st = forward ? m_ntx->next() : m_ntx->prev();
    if (!st.isOk()) return fail(st);
    bool hitTop = !forward && m_ntx->bof();
    st = follow();
    if (!st.isOk()) return st;
    m_table.m_bof = hitTop;
    return {};
}

Status Cursor::next() { return step(true); }
Status Cursor::prev() { return step(false); }

}  // namespace tables
