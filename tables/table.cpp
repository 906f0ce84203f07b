#include "tables/table.h"

#include "tables/dbe.h"

#include "platform/path.h"
#include "platform/temporary_file.h"
#include "tables/dbf_record.h"

namespace tables {

using platform::Status;

std::string withDefaultExtension(const std::string& path, const char* extension) {
    std::size_t sep = platform::lastSeparator(path);
    std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    if (path.find('.', start) != std::string::npos) return path;
    return path + extension;
}

platform::OpenMode Table::openMode(bool shared, bool readOnly) {
    return {readOnly ? platform::Access::ReadOnly : platform::Access::ReadWrite,
            shared ? platform::Share::Shared : platform::Share::Exclusive,
            platform::Disposition::Existing};
}

Status Table::open(const std::string& path, bool shared, bool readOnly,
                   std::unique_ptr<Table>* out) {
    out->reset();
    if (!dbfntxAvailable()) return Status::invalid("DBFNTX database engine not loaded").inFile(path);
    std::unique_ptr<platform::File> file;
    std::unique_ptr<Table> table(new Table);
    table->m_path = path;
    Status st = platform::openFile(path, openMode(shared, readOnly), &file);
    if (st.isOk()) st = Dbf::open(std::move(file), shared, readOnly, &table->m_dbf);
    if (!st.isOk()) return table->fail(st);
    table->setEof();
    *out = std::move(table);
    return {};
}

namespace {

Status dbfFields(const std::vector<FieldSpec>& fields, std::vector<DbfField>* out) {
    for (const auto& f : fields) {
        if (f.length < 0 || f.length > 255 || f.decimals < 0 || f.decimals > 255) {
            return Status::invalid("field " + f.name + ": bad length");
        }
        out->push_back({f.name, f.type, std::uint8_t(f.length), std::uint8_t(f.decimals)});
    }
    return checkNewFields(out);
}

}  // namespace

Status Table::create(const std::string& path, const std::vector<FieldSpec>& fields) {
    std::vector<DbfField> checked;
    Status st = dbfFields(fields, &checked);
    std::unique_ptr<platform::TemporaryFile> temp;
    std::unique_ptr<platform::File> file;
    if (st.isOk()) st = platform::TemporaryFile::create(path, &temp, &file);
    if (st.isOk()) st = Dbf::create(*file, checked);
    file.reset();
    if (st.isOk()) st = temp->install(path);
    return st.inFile(path);
}

Status Table::create(std::unique_ptr<platform::File> file, const std::string& path,
                     const std::vector<FieldSpec>& fields, std::unique_ptr<Table>* out) {
    out->reset();
    if (!dbfntxAvailable()) return Status::invalid("DBFNTX database engine not loaded").inFile(path);
    std::vector<DbfField> checked;
    Status st = dbfFields(fields, &checked);
    if (st.isOk()) st = Dbf::create(*file, checked);
    if (!st.isOk()) return st.inFile(path);
    std::unique_ptr<Table> table(new Table);
    table->m_path = path;
    st = Dbf::open(std::move(file), /*shared=*/false, /*readOnly=*/false, &table->m_dbf);
    if (!st.isOk()) return table->fail(st);
    table->setEof();
    *out = std::move(table);
    return {};
}

std::vector<FieldSpec> Table::structure() const {
    std::vector<FieldSpec> out;
    for (const auto& f : fields()) out.push_back({f.name, f.type, f.length, f.decimals});
    return out;
}

Status Table::refresh() { return m_dbf->shared() ? fail(m_dbf->refresh()) : Status(); }

Status Table::recordCount(std::uint32_t* count) {
    Status st = refresh();
    *count = m_dbf->recordCount();
    return st;
}

void Table::setEof() {
    ++m_moves;
    m_recno = m_dbf->recordCount() + 1;
    m_eof = true;
    m_record = m_dbf->blankRecord();
}

Status Table::load(std::uint32_t recno) {
    Status st = m_dbf->read(recno, &m_record);
    if (!st.isOk()) {
        setEof();
        return fail(st);
    }
    ++m_moves;
    m_recno = recno;
    m_eof = false;
    m_bof = false;
    return {};
}

Status Table::goTo(std::uint32_t recno) {
    Status st = flush();
    if (!st.isOk()) return st;
    m_bof = false;
    if (recno > m_dbf->recordCount()) {
        st = refresh();
        if (!st.isOk()) return st;
    }
    if (recno < 1 || recno > m_dbf->recordCount()) {
        setEof();
        return {};
    }
    return load(recno);
}

Status Table::first() {
    Status st = flush();
    if (st.isOk()) st = refresh();
    if (st.isOk()) st = goTo(1);
    if (!st.isOk()) return st;
    m_bof = m_eof;
    return {};
}

Status Table::last() {
    Status st = flush();
    if (st.isOk()) st = refresh();
    if (st.isOk()) st = goTo(m_dbf->recordCount());
    if (!st.isOk()) return st;
    m_bof = m_eof;
    return {};
}

Status Table::next() {
    Status st = flush();
    if (!st.isOk() || m_eof) return st;
    return goTo(m_recno + 1);
}

Status Table::prev() {
    Status st = flush();
    if (!st.isOk()) return st;
    if (m_eof) return last();
    if (m_recno <= 1) {
        m_bof = true;
        return {};
    }
    return goTo(m_recno - 1);
}

Status Table::field(std::string_view name, const DbfField** out) const {
    int i = fieldIndex(name);
    if (i < 0) return fail(Status::notFound("no field " + std::string(name)));
    *out = &fields()[std::size_t(i)];
    return {};
}

Status Table::getText(std::string_view name, std::string* text) const {
    const DbfField* f = nullptr;
    Status st = field(name, &f);
    if (st.isOk()) *text = std::string(fieldBytes(m_record, *f));
    return st;
}

Status Table::getNumber(std::string_view name, double* value) const {
    const DbfField* f = nullptr;
    Status st = field(name, &f);
    if (st.isOk()) *value = fieldNumber(m_record, *f);
    return st;
}

Status Table::getLogical(std::string_view name, bool* value) const {
    const DbfField* f = nullptr;
    Status st = field(name, &f);
    if (st.isOk()) *value = fieldLogical(m_record, *f);
    return st;
}

Status Table::checkWritable() const {
    if (m_dbf->readOnly()) return fail(Status::invalid("table is open read-only"));
    if (m_cursors > 0) {
        return fail(Status::invalid("table has an open index, which this engine does not update"));
    }
    return {};
}

// Checks, then lets `put` store the value in the current record (each put
// leaves the record as it was when it fails).
template <class Put>
Status Table::put(std::string_view name, Put put) {
    Status st = checkWritable();
    if (!st.isOk()) return st;
    if (m_eof) return fail(Status::invalid("no current record (end of file)"));
    const DbfField* f = nullptr;
    st = field(name, &f);
    if (st.isOk()) st = put(&m_record, *f);
    if (!st.isOk()) return fail(st);
    m_dirty = true;
    return {};
}

Status Table::putText(std::string_view name, std::string_view text) {
    return put(name, [&](std::string* r, const DbfField& f) {
        putFieldText(r, f, text);
        return Status();
    });
}

Status Table::putNumber(std::string_view name, double value) {
    return put(name, [&](std::string* r, const DbfField& f) {
        if (f.type != 'N' && f.type != 'F') return Status::invalid("field " + f.name + " is not numeric");
        return putFieldNumber(r, f, value);
    });
}

Status Table::putLogical(std::string_view name, bool value) {
    return put(name, [&](std::string* r, const DbfField& f) {
        putFieldLogical(r, f, value);
        return Status();
    });
}

Status Table::markDeleted() {
    Status st = checkWritable();
    if (!st.isOk()) return st;
    if (m_eof) return fail(Status::invalid("no current record (end of file)"));
    m_record[0] = kDeletedFlag;
    m_dirty = true;
    return {};
}

Status Table::appendBlank() {
    Status st = checkWritable();
    if (st.isOk()) st = flush();
    if (!st.isOk()) return st;
    std::string blank = m_dbf->blankRecord();
    std::uint32_t recno = 0;
    st = m_dbf->append(blank, &recno);
    if (!st.isOk()) return fail(st);
    ++m_moves;
    m_record = std::move(blank);
    m_recno = recno;
    m_eof = m_bof = false;
    return {};
}

Status Table::flush() {
    if (!m_dirty) return {};
    Status st = m_dbf->write(m_recno, m_record);
    if (st.isOk()) m_dirty = false;
    return fail(st);
}

Status Table::commit() {
    Status st = flush();
    if (m_dbf->readOnly()) return st;
    Status synced = fail(m_dbf->sync());
    return st.isOk() ? synced : st;
}

}  // namespace tables
