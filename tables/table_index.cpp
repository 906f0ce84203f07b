#include "tables/table_index.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/file.h"
#include "tables/cursor.h"
#include "tables/ntx.h"
#include "tables/ntx_build.h"

namespace tables {

using platform::Status;

Status checkKeyField(const DbfField& field) {
    if ((field.type != 'C' && field.type != 'D') || field.length > kNtxMaxKeySize) {
        return Status::invalid("field " + field.name +
                               " cannot be an index key (character or date only)");
    }
    return {};
}

Status BuiltIndex::install() {
    if (!m_pending) return Status::invalid("no index was built").inFile(m_path);
    Status st = m_pending->install(m_path);
    if (st.isOk()) m_pending.reset();
    return st.inFile(m_path);
}

namespace {

// Reads the key field of every record, back to back, in record order.
Status readKeys(Table& table, const DbfField& field,
                const std::function<void(std::uint32_t)>& eachRecord, std::uint32_t* count,
                std::vector<std::uint8_t>* keys) {
    Status st = table.recordCount(count);
    if (!st.isOk()) return st;
    const std::size_t ks = field.length, rl = table.recordLength();
    keys->resize(std::size_t(*count) * ks);
    std::string chunk;
    const std::uint32_t perChunk = std::uint32_t(std::max<std::size_t>(1, (1 << 20) / rl));
    for (std::uint32_t first = 1; first <= *count; first += perChunk) {
        std::uint32_t n = std::min(perChunk, *count - first + 1);
        st = table.readRecords(first, n, &chunk);
        if (!st.isOk()) return st;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::memcpy(keys->data() + std::size_t(first - 1 + i) * ks,
                        chunk.data() + std::size_t(i) * rl + field.offset, ks);
            if (eachRecord) eachRecord(first + i);
        }
    }
    return {};
}

}  // namespace

Status buildIndex(Table& table, const std::string& path, const std::string& keyExpression,
                  const std::function<void(std::uint32_t)>& eachRecord, BuiltIndex* built) {
    *built = BuiltIndex();
    int k = table.fieldIndex(parseKeyExpression(keyExpression).field);
    if (k < 0) {
        return Status::invalid("key expression " + keyExpression + " does not name a field of " +
                               table.path())
            .inFile(path);
    }
    const DbfField& field = table.fields()[std::size_t(k)];
    Status st = checkKeyField(field);
    if (st.isOk()) st = table.flush();
    if (!st.isOk()) return st.inFile(path);
    std::uint32_t count = 0;
    std::vector<std::uint8_t> keys;
    st = readKeys(table, field, eachRecord, &count, &keys);
    if (!st.isOk()) return st;
    const auto ks = std::uint16_t(field.length);
    std::vector<std::uint32_t> order = sortNtxKeys(keys.data(), ks, count);
    BuiltIndex result;
    result.m_path = path;
    // A new file beside `path`, written through the handle that created it;
    // removed also when an error ends the program before it is installed.
    std::unique_ptr<platform::File> out;
    st = platform::TemporaryFile::create(path, &result.m_pending, &out);
    if (st.isOk()) st = writeNtx(*out, newNtxHeader(ks, keyExpression), keys.data(), order);
    if (st.isOk()) st = out->sync();
    out.reset();
    if (!st.isOk()) return st.inFile(path);
    *built = std::move(result);
    return {};
}

Status createIndex(Table& table, const std::string& path, const std::string& keyExpression) {
    BuiltIndex built;
    Status st = buildIndex(table, path, keyExpression, {}, &built);
    return st.isOk() ? built.install() : st;
}

namespace {

// Collects the problems verifyIndex reports: the first 20, then a mark.
class Problems {
public:
    explicit Problems(std::vector<std::string>* out) : m_out(out) {}
    void add(std::string text) {
        if (m_out->size() < 20) m_out->push_back(std::move(text));
        else if (m_out->size() == 20) m_out->push_back("... (more)");
    }

private:
    std::vector<std::string>* m_out;
};

}  // namespace

Status verifyIndex(const std::string& tablePath, const std::string& indexPath, IndexCheck* check) {
    *check = IndexCheck();
    std::unique_ptr<Table> table;
    Status st = Table::open(tablePath, true, true, &table);
    if (!st.isOk()) return st;
    std::unique_ptr<platform::File> file;
    std::unique_ptr<Ntx> ntx;
    st = platform::openFile(indexPath, {platform::Access::ReadOnly, platform::Share::Shared}, &file);
    if (st.isOk()) st = Ntx::open(std::move(file), true, &ntx);
    if (!st.isOk()) return st.inFile(indexPath);

    const NtxHeader& h = ntx->header();
    int k = table->fieldIndex(parseKeyExpression(h.keyExpression).field);
    if (k < 0) {
        return Status::invalid("key expression '" + h.keyExpression + "' is not a field of the table");
    }
    const std::string& keyField = table->fields()[std::size_t(k)].name;
    std::uint32_t count = 0;
    st = table->recordCount(&count);
    if (!st.isOk()) return st;
    check->records = count;
    Problems problem(&check->problems);
    std::vector<std::uint8_t> seen(std::size_t(count) + 1, 0);
    std::string previous, want;
    bool havePrevious = false;
    for (st = ntx->first(); st.isOk() && !ntx->eof(); st = ntx->next()) {
        const std::uint64_t entry = ++check->entries;
        const std::uint32_t r = ntx->recno();
        const std::string& key = ntx->key();
        if (havePrevious && key < previous) {
            problem.add("entry " + std::to_string(entry) + " (record " + std::to_string(r) +
                        ", key '" + key + "') sorts before the entry ahead of it ('" + previous + "')");
        }
        previous = key;
        havePrevious = true;
        if (r < 1 || r > count) {
            problem.add("entry " + std::to_string(entry) + " points to record " + std::to_string(r) +
                        ", but the table has " + std::to_string(count));
            continue;
        }
        if (seen[r]++) problem.add("record " + std::to_string(r) + " is listed more than once");
        Status read = table->goTo(r);
        if (read.isOk()) read = table->getText(keyField, &want);
        if (!read.isOk()) return read;
        want.resize(h.keySize, ' ');
        if (want != key) {
            problem.add("record " + std::to_string(r) + " has key '" + want + "' in the table but '" +
                        key + "' in the index");
        }
    }
    if (!st.isOk()) return st.inFile(indexPath);
    for (std::uint32_t r = 1; r <= count; ++r) {
        if (!seen[r]) problem.add("record " + std::to_string(r) + " is missing from the index");
    }
    return {};
}

}  // namespace tables
