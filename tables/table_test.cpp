#include "tables/table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tables/cursor.h"
#include "tables/dbf.h"
#include "tables/dbf_record.h"
#include "tables/table_index.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace tables;
using platform::Status;

// CODE C7, QTY N4: records of 12 bytes after a 97-byte header.
const std::vector<DbfField> kFields = {{"CODE", 'C', 7, 0}, {"QTY", 'N', 4, 0}};
constexpr std::size_t kHeader = 32 + 2 * 32 + 1, kRecord = 12;

std::shared_ptr<std::string> emptyTable() {
    auto bytes = std::make_shared<std::string>();
    EXPECT_TRUE(Dbf::create(*platform::memoryFile(bytes), kFields).isOk());
    return bytes;
}

std::unique_ptr<Dbf> openDbf(std::shared_ptr<std::string> bytes, bool shared, bool readOnly,
                             int failAfterWrites = -1) {
    std::unique_ptr<Dbf> dbf;
    EXPECT_TRUE(Dbf::open(platform::memoryFile(std::move(bytes), failAfterWrites), shared, readOnly, &dbf)
                    .isOk());
    return dbf;
}

std::string record(const std::string& code) {
    std::string r = " " + code;
    r.resize(kRecord, ' ');
    return r;
}

std::uint32_t headerCount(const std::string& bytes) {
    return std::uint32_t(std::uint8_t(bytes[4])) | std::uint32_t(std::uint8_t(bytes[5])) << 8;
}

// Two writers sharing one file, as the display and the point-of-sale do.
TEST(DbfTest, WritersSharingAFileKeepCountAndEndMarkRight) {
    auto bytes = emptyTable();
    auto a = openDbf(bytes, true, false);
    auto b = openDbf(bytes, true, false);
    std::uint32_t recno = 0;
    ASSERT_TRUE(a->append(record("AAAAAAA"), &recno).isOk());
    EXPECT_EQ(recno, 1u);
    // b still believes the table empty: its append re-reads the count first.
    ASSERT_TRUE(b->append(record("BBBBBBB"), &recno).isOk());
    EXPECT_EQ(recno, 2u);
    // A record write must not put back the count a has seen (1).
    ASSERT_TRUE(a->write(1, record("CCCCCCC")).isOk());
    EXPECT_EQ(headerCount(*bytes), 2u);
    EXPECT_EQ(bytes->size(), kHeader + 2 * kRecord + 1);
    EXPECT_EQ(bytes->back(), '\x1A');
    ASSERT_TRUE(a->refresh().isOk());
    std::string got;
    ASSERT_TRUE(a->readRange(1, 2, &got).isOk());
    EXPECT_EQ(got, record("CCCCCCC") + record("BBBBBBB"));
}

TEST(DbfTest, RefusesWhatWouldDamageTheFile) {
    struct Case {
        const char* what;
        bool readOnly;
        int failAfterWrites;
        std::function<Status(Dbf&)> op;
        Status::Code code;
    } cases[] = {
        {"write, read-only", true, -1, [](Dbf& d) { return d.write(1, record("X")); },
         Status::Code::Invalid},
        {"append, read-only", true, -1,
         [](Dbf& d) { std::uint32_t n; return d.append(record("X"), &n); }, Status::Code::Invalid},
        {"write record 0", false, -1, [](Dbf& d) { return d.write(0, record("X")); },
         Status::Code::Invalid},
        {"write past the end", false, -1, [](Dbf& d) { return d.write(2, record("X")); },
         Status::Code::Invalid},
        {"write a short record", false, -1, [](Dbf& d) { return d.write(1, " X"); },
         Status::Code::Invalid},
        {"append a long record", false, -1,
         [](Dbf& d) { std::uint32_t n; return d.append(record("X") + "Y", &n); },
         Status::Code::Invalid},
        {"read past the end", false, -1,
         [](Dbf& d) { std::string r; return d.readRange(1, 2, &r); }, Status::Code::Invalid},
        {"append, disk full", false, 0,
         [](Dbf& d) { std::uint32_t n; return d.append(record("X"), &n); }, Status::Code::IoError},
    };
    for (const auto& c : cases) {
        auto bytes = emptyTable();
        std::uint32_t n = 0;
        ASSERT_TRUE(openDbf(bytes, false, false)->append(record("AB--123"), &n).isOk());
        const std::string before = *bytes;
        auto dbf = openDbf(bytes, false, c.readOnly, c.failAfterWrites);
        EXPECT_EQ(c.op(*dbf).code(), c.code) << c.what;
        EXPECT_EQ(*bytes, before) << c.what;
        EXPECT_EQ(dbf->recordCount(), 1u) << c.what;
    }
}

TEST(DbfTest, TableCutShortUnderAReaderIsCorruptNotACrash) {
    auto bytes = emptyTable();
    auto dbf = openDbf(bytes, true, false);
    std::uint32_t n = 0;
    for (const char* code : {"A", "B", "C"}) ASSERT_TRUE(dbf->append(record(code), &n).isOk());
    bytes->resize(kHeader + kRecord + 5);  // record 2 half gone
    std::string r;
    EXPECT_TRUE(dbf->read(1, &r).isOk());
    EXPECT_EQ(dbf->read(2, &r).code(), Status::Code::Corrupt);
    ASSERT_TRUE(dbf->refresh().isOk());
    EXPECT_EQ(dbf->recordCount(), 1u);  // the header's 3, clamped to the file
}

// Items on disk: codes in record order, QTY = record number.
std::string makeTable(const testsupport::TempDir& dir, const std::vector<std::string>& codes) {
    const std::string path = dir.file("items.dbf");
    EXPECT_TRUE(Table::create(path, {{"CODE", 'C', 7, 0}, {"QTY", 'N', 4, 0}}).isOk());
    std::unique_ptr<Table> t;
    EXPECT_TRUE(Table::open(path, false, false, &t).isOk());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_TRUE(t->appendBlank().isOk());
        EXPECT_TRUE(t->putText("code", codes[i]).isOk());
        EXPECT_TRUE(t->putNumber("qty", double(i + 1)).isOk());
    }
    EXPECT_TRUE(t->commit().isOk());
    return path;
}

// A file that another program writes without taking the record lock: each
// read of the record sees the next of `versions`, as if written meanwhile.
class ChangingRecord : public platform::File {
public:
    ChangingRecord(std::shared_ptr<std::string> bytes, std::vector<std::string> versions)
        : m_file(platform::memoryFile(bytes)), m_bytes(std::move(bytes)), m_versions(std::move(versions)) {}
    Status readAt(std::uint64_t offset, void* buffer, std::size_t length, std::size_t* got) override {
        if (offset == kHeader && length == kRecord && !m_versions.empty()) {
            m_bytes->replace(kHeader, kRecord, m_versions.front());
            if (m_versions.size() > 1) m_versions.erase(m_versions.begin());
            ++reads;
        }
        return m_file->readAt(offset, buffer, length, got);
    }
    Status writeAt(std::uint64_t o, const void* d, std::size_t l) override { return m_file->writeAt(o, d, l); }
    Status size(std::uint64_t* b) override { return m_file->size(b); }
    Status truncate(std::uint64_t b) override { return m_file->truncate(b); }
    Status sync() override { return Status(); }
    Status lock(std::uint64_t o, std::uint64_t l, bool e, int w) override { return m_file->lock(o, l, e, w); }
    Status unlock(std::uint64_t o, std::uint64_t l) override { return m_file->unlock(o, l); }
    int reads = 0;

private:
    std::unique_ptr<platform::File> m_file;
    std::shared_ptr<std::string> m_bytes;
    std::vector<std::string> m_versions;
};

// A shared reader never takes half of one write and half of another: it reads
// until two reads agree, and a record that never settles is Locked, not a mix.
TEST(DbfTest, ASharedReadIsNeverAMixOfTwoWrites) {
    const struct {
        const char* what;
        std::vector<std::string> versions;  // what successive reads find
        bool shared;
        Status::Code code;
        std::string record;
    } cases[] = {
        {"settled", {record("AB--123")}, true, Status::Code::Ok, record("AB--123")},
        {"written in pieces meanwhile", {record("AB--999"), record("AB--123"), record("CD--456"),
                                         record("CD--456")},
         true, Status::Code::Ok, record("CD--456")},
        {"never settles", {record("AB--1"), record("AB--2")}, true, Status::Code::Locked, ""},
        {"exclusive: one read", {record("AB--1"), record("AB--2")}, false, Status::Code::Ok, record("AB--1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = emptyTable();
        std::uint32_t recno = 0;
        ASSERT_TRUE(openDbf(bytes, false, false)->append(record("AB--000"), &recno).isOk());
        std::vector<std::string> versions = c.versions;
        if (c.what == std::string("never settles")) {
            for (int i = 0; i < 200; ++i) versions.push_back(record(i % 2 ? "AB--1" : "AB--2"));
        }
        auto file = std::make_unique<ChangingRecord>(bytes, versions);
        ChangingRecord* changing = file.get();
        std::unique_ptr<Dbf> dbf;
        ASSERT_TRUE(Dbf::open(std::move(file), c.shared, true, &dbf).isOk());
        dbf->setLockWait(50);
        std::string got;
        const Status st = dbf->read(1, &got);
        EXPECT_EQ(st.code(), c.code) << st.message();
        if (st.isOk()) EXPECT_EQ(got, c.record);
        if (!c.shared) EXPECT_EQ(changing->reads, 1);
    }
}

TEST(TableTest, AFailedWriteLeavesTheRecordAsItWas) {
    testsupport::TempDir dir;
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::open(makeTable(dir, {"AB--123"}), false, false, &t).isOk());
    ASSERT_TRUE(t->first().isOk());
    struct Case {
        const char* what;
        std::function<Status(Table&)> put;
        Status::Code code;
    } cases[] = {
        {"unknown field", [](Table& x) { return x.putText("nofield", "1"); }, Status::Code::NotFound},
        {"number too wide", [](Table& x) { return x.putNumber("qty", 12345); }, Status::Code::Invalid},
        {"number into text", [](Table& x) { return x.putNumber("code", 1); }, Status::Code::Invalid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.put(*t).code(), c.code) << c.what;
        double qty = 0;
        std::string code;
        ASSERT_TRUE(t->getNumber("QTY", &qty).isOk());
        ASSERT_TRUE(t->getText("Code", &code).isOk());
        EXPECT_EQ(qty, 1) << c.what;
        EXPECT_EQ(code, "AB--123") << c.what;
    }
    std::string text;
    EXPECT_EQ(t->getText("nofield", &text).code(), Status::Code::NotFound);
    // At end of file nothing can be written; fields read blank.
    ASSERT_TRUE(t->goTo(9).isOk());
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->putText("code", "X").code(), Status::Code::Invalid);
    ASSERT_TRUE(t->getText("code", &text).isOk());
    EXPECT_EQ(text, "       ");
}

TEST(TableTest, AnOpenIndexMakesTheTableReadOnlyUntilItCloses) {
    testsupport::TempDir dir;
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::open(makeTable(dir, {"B", "A"}), false, false, &t).isOk());
    ASSERT_TRUE(createIndex(*t, dir.file("ix.ntx"), "code").isOk());
    {
        std::unique_ptr<Cursor> c;
        ASSERT_TRUE(Cursor::open(*t, dir.file("ix.ntx"), &c).isOk());
        ASSERT_TRUE(c->first().isOk());
        EXPECT_EQ(t->recno(), 2u);
        EXPECT_EQ(t->putText("code", "C").code(), Status::Code::Invalid);
        EXPECT_EQ(t->appendBlank().code(), Status::Code::Invalid);
    }
    EXPECT_TRUE(t->putText("code", "C").isOk());
    EXPECT_TRUE(t->commit().isOk());
}

// The work areas tell table failures from index failures by the file a
// Status names; each must name the right one.
TEST(TableTest, FailuresNameTheFileTheyConcern) {
    testsupport::TempDir dir;
    const std::string table = makeTable(dir, {"AB--123", "CH--001", "ZZ--999"});
    const std::string index = dir.file("ix.ntx");
    {
        std::unique_ptr<Table> t;
        ASSERT_TRUE(Table::open(table, true, false, &t).isOk());
        ASSERT_TRUE(createIndex(*t, index, "items->code").isOk());
    }
    dir.write("bad.ntx", std::string(1024, 'x'));
    struct Case {
        const char* what;
        std::function<Status(Table&)> op;
        std::string file;
    } cases[] = {
        {"missing index",
         [&](Table& t) { std::unique_ptr<Cursor> c; return Cursor::open(t, dir.file("none.ntx"), &c); },
         dir.file("none.ntx")},
        {"damaged index",
         [&](Table& t) { std::unique_ptr<Cursor> c; return Cursor::open(t, dir.file("bad.ntx"), &c); },
         dir.file("bad.ntx")},
        {"record cut off the table",
         [&](Table& t) {
             std::filesystem::resize_file(table, kHeader + kRecord + 3);
             return t.goTo(2);
         },
         table},
        {"index entry past the end",
         [&](Table& t) {
             std::filesystem::resize_file(table, kHeader + kRecord);
             std::uint32_t count = 0;
             std::unique_ptr<Cursor> c;
             Status st = t.recordCount(&count);  // 1: the file holds one record
             if (st.isOk()) st = Cursor::open(t, index, &c);
             bool found = false;
             return st.isOk() ? c->seek("ZZ", &found) : st;
         },
         index},
        {"record missing from the index",
         [&](Table& t) {
             std::unique_ptr<Cursor> c;
             Status st = Cursor::open(t, index, &c);
             if (st.isOk()) st = t.goTo(3);
             return st.isOk() ? c->next() : st;
         },
         index},
        {"key field that cannot be a key",
         [&](Table& t) { return createIndex(t, dir.file("qty.ntx"), "qty"); }, dir.file("qty.ntx")},
    };
    // Record 3's key changes after the build: the index no longer has it.
    const std::string whole = dir.read("items.dbf").replace(kHeader + 2 * kRecord + 1, 7, "AA--000");
    for (const auto& c : cases) {
        dir.write("items.dbf", whole);
        std::unique_ptr<Table> t;
        ASSERT_TRUE(Table::open(table, true, true, &t).isOk());
        Status st = c.op(*t);
        EXPECT_FALSE(st.isOk()) << c.what;
        EXPECT_EQ(st.file(), c.file) << c.what << ": " << st.message();
    }
    std::unique_ptr<Table> t;
    EXPECT_EQ(Table::open(dir.file("none.dbf"), true, true, &t).file(), dir.file("none.dbf"));
}

}  // namespace
