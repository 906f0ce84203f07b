#include "workareas/work_area.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/xbase_values.h"
#include "errors/error.h"
#include "platform/file.h"
#include "tables/dbe.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace workareas;

// Records every raised error and answers with `answer` (Default unless told).
struct ErrorRecorder {
    std::vector<errors::Error> seen;
    std::function<errors::Action(errors::Error&)> answer = [](errors::Error&) {
        return errors::Action::Default;
    };
    errors::Handler previous;
    ErrorRecorder() {
        previous = errors::setHandler([this](errors::Error& e) {
            seen.push_back(e);
            return answer(e);
        });
    }
    ~ErrorRecorder() {
        closeAll();
        errors::setHandler(previous);
    }
};

// A table of items: CODE C7, DESC C20, PRICE N10.2, DONE L1.
std::string makeItems(const testsupport::TempDir& dir, const std::vector<std::string>& codes) {
    std::string path = dir.file("items.dbf");
    EXPECT_TRUE(createTable(path, {{"CODE", 'C', 7, 0}, {"DESC", 'C', 20, 0},
                                   {"PRICE", 'N', 10, 2}, {"DONE", 'L', 1, 0}}));
    EXPECT_TRUE(useArea(path, "items", false, false));
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_TRUE(appendBlank());
        fieldPut("code", codes[i]);
        fieldPut("desc", "item " + std::to_string(i + 1));
        fieldPutNumber("price", 10.5 * double(i + 1));
    }
    closeArea();
    return path;
}

TEST(WorkAreaTest, CreateAppendReadBackAndMove) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123", "1200345", "CH--001"});
    ASSERT_TRUE(useArea(path, "", true, true));
    EXPECT_EQ(currentAlias(), "ITEMS");
    EXPECT_EQ(lastRec(), 3u);
    EXPECT_EQ(recNo(), 1u);
    EXPECT_EQ(fieldGetString("Code"), "AB--123");
    EXPECT_EQ(fieldGetString("desc"), "item 1              ");
    EXPECT_DOUBLE_EQ(fieldGetNumber("PRICE"), 10.5);
    EXPECT_FALSE(fieldGetLogical("done"));
    EXPECT_EQ(fieldGetDate("code"), "AB--123 ");
    skip();
    EXPECT_EQ(recNo(), 2u);
    skip(5);
    EXPECT_TRUE(eof());
    EXPECT_EQ(recNo(), 4u);
    EXPECT_EQ(fieldGetString("code"), "       ");  // blank at end of file
    skip(-1);
    EXPECT_EQ(recNo(), 3u);
    goTo(1);
    skip(-1);
    EXPECT_TRUE(bof());
    EXPECT_EQ(recNo(), 1u);
    goTo(99);
    EXPECT_TRUE(eof());
    goBottom();
    EXPECT_EQ(recNo(), 3u);
    EXPECT_TRUE(rec.seen.empty());
    // Writing a read-only table is an error; the default leaves it unchanged.
    fieldPut("code", "XXXXXXX");
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].genCode, errors::kGenWrite);
    EXPECT_EQ(fieldGetString("code"), "CH--001");
}

TEST(WorkAreaTest, AliasesAreasAndThreads) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    EXPECT_EQ(currentArea(), 1);
    ASSERT_TRUE(useArea(path, "first", true, true));
    ASSERT_TRUE(useArea(path, "second", true, true));
    EXPECT_EQ(currentArea(), 2);
    EXPECT_TRUE(isAliasOpen("FIRST"));
    EXPECT_TRUE(selectArea("first"));
    EXPECT_EQ(currentArea(), 1);
    selectArea(0);
    EXPECT_EQ(currentArea(), 3);
    EXPECT_FALSE(isUsed());
    EXPECT_TRUE(eof());
    // Another thread sees none of these and its close-all leaves them alone.
    std::thread([&] {
        EXPECT_FALSE(isAliasOpen("first"));
        closeAll();
    }).join();
    EXPECT_TRUE(isAliasOpen("first"));
    // Errors: unknown alias, alias in use, unknown field, unused area.
    EXPECT_FALSE(selectArea("nothing"));
    EXPECT_FALSE(useArea(path, "second", true, true));
    EXPECT_FALSE(isUsed());
    selectArea(1);
    EXPECT_EQ(fieldGetString("nofield"), "");
    selectArea(7);
    skip();
    ASSERT_EQ(rec.seen.size(), 4u);
    EXPECT_EQ(rec.seen[0].genCode, errors::kGenNoAlias);
    EXPECT_EQ(rec.seen[1].genCode, errors::kGenOpen);
    EXPECT_EQ(rec.seen[2].genCode, errors::kGenNoField);
    EXPECT_EQ(rec.seen[3].genCode, errors::kGenNoAlias);
    for (const auto& e : rec.seen) EXPECT_EQ(e.subSystem, "DBFNTX");
    selectArea("second");
    closeArea();
    EXPECT_FALSE(isAliasOpen("second"));
    EXPECT_TRUE(isAliasOpen("first"));
    closeAll();
    EXPECT_FALSE(isAliasOpen("first"));
}

TEST(WorkAreaTest, OpenErrorsCarryTheCodesTheHandlerDecidesOn) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    // Missing file.
    EXPECT_FALSE(useArea(dir.file("none"), "", true, true));
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].genCode, errors::kGenOpen);
    EXPECT_EQ(rec.seen[0].osCode, 2);
    EXPECT_EQ(rec.seen[0].fileName, dir.file("none") + ".dbf");
    EXPECT_EQ(rec.seen[0].operation, "DbUseArea");
    // Held by another open (another program, as far as the file is concerned).
    std::unique_ptr<platform::File> other;
    ASSERT_TRUE(platform::openFile(path, {platform::Access::ReadOnly, platform::Share::Shared}, &other)
                    .isOk());
    rec.seen.clear();
    EXPECT_FALSE(useArea(path, "", false, false));
    EXPECT_FALSE(isUsed());
    EXPECT_FALSE(isAliasOpen("items"));
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].genCode, errors::kGenOpen);
    EXPECT_EQ(rec.seen[0].osCode, errors::kOsSharingViolation);
    EXPECT_TRUE(rec.seen[0].canDefault);
    EXPECT_TRUE(rec.seen[0].canRetry);
    // Retry works once the other program lets go.
    rec.seen.clear();
    rec.answer = [&](errors::Error&) {
        other.reset();
        return errors::Action::Retry;
    };
    EXPECT_TRUE(useArea(path, "", false, false));
    EXPECT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(lastRec(), 1u);
    // Without a handler's Default, the error unwinds.
    closeAll();
    rec.answer = [](errors::Error& e) -> errors::Action { throw errors::Unwind(e); };
    EXPECT_THROW(useArea(dir.file("none"), "", true, true), errors::Unwind);
}

TEST(WorkAreaTest, IndexBuildSeekAndSkipInKeyOrder) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::vector<std::string> codes = {"CH--123", "AB--123", "1200345", "AB--123", "AB-1234",
                                      "0012345", "AB--123"};
    std::string path = makeItems(dir, codes);
    ASSERT_TRUE(useArea(path, "items", false, false));
    std::vector<std::uint32_t> calls;
    ASSERT_TRUE(createIndex(dir.file("itemcode"), "items->code",
                            [&](std::uint32_t r) { calls.push_back(r); }));
    EXPECT_EQ(calls, (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("itemcode.ntx.tmp")));
    std::vector<std::uint32_t> walk;
    for (goTop(); !eof(); skip()) walk.push_back(recNo());
    EXPECT_EQ(walk, (std::vector<std::uint32_t>{6, 3, 2, 4, 7, 5, 1}));
    closeAll();

    ASSERT_TRUE(useArea(path, "items", true, true));
    ordListClear();
    ASSERT_TRUE(ordListAdd(dir.file("itemcode")));
    struct Case {
        const char* key;
        bool found;
        std::uint32_t recno;
    } cases[] = {
        {"AB--123", true, 2},     // equal keys: the lowest record first
        {"AB-", true, 2},         // shorter: the first key that begins with it
        {"AB-1", true, 5},
        {"AB-1234XYZ", true, 5},  // longer: cut to the key size
        {"AB--124", false, 8},    // not soft: end of file
        {"ZZ", false, 8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(seek(c.key), c.found) << c.key;
        EXPECT_EQ(found(), c.found) << c.key;
        EXPECT_EQ(recNo(), c.recno) << c.key;
        EXPECT_EQ(eof(), !c.found) << c.key;
    }
    seek("AB--123");
    std::vector<std::uint32_t> run;
    while (!eof() && fieldGetString("code") == "AB--123") {
        run.push_back(recNo());
        skip();
    }
    EXPECT_EQ(run, (std::vector<std::uint32_t>{2, 4, 7}));
    // After a direct go-to, skipping continues in key order from that record.
    goTo(4);
    skip();
    EXPECT_EQ(recNo(), 7u);
    skip(-2);
    EXPECT_EQ(recNo(), 2u);
    goTop();
    skip(-1);
    EXPECT_TRUE(bof());
    EXPECT_EQ(recNo(), 6u);
    seek("ZZ");
    skip(-1);
    EXPECT_EQ(recNo(), 1u);  // from end of file back to the last key
    EXPECT_TRUE(rec.seen.empty());
}

TEST(WorkAreaTest, FailedIndexBuildKeepsTheOldIndex) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123", "1200345"});
    ASSERT_TRUE(useArea(path, "items", false, false));
    ASSERT_TRUE(createIndex(dir.file("itemcode.ntx"), "items->code"));
    closeAll();  // on Windows nobody reads a file that a work area holds exclusively
    std::string before = dir.read("itemcode.ntx");
    ASSERT_TRUE(useArea(path, "items", false, false));
    ordListClear();
    // A key evaluation that gives up half-way (the handler unwinds).
    EXPECT_THROW(createIndex(dir.file("itemcode.ntx"), "items->code",
                             [&](std::uint32_t r) {
                                 if (r == 2) throw errors::Unwind(errors::Error{});
                             }),
                 errors::Unwind);
    EXPECT_FALSE(std::filesystem::exists(dir.file("itemcode.ntx.tmp")));
    // A key that is not a field, and a numeric key, are refused.
    EXPECT_FALSE(createIndex(dir.file("itemcode.ntx"), "items->colour"));
    EXPECT_FALSE(createIndex(dir.file("itemcode.ntx"), "price"));
    EXPECT_EQ(rec.seen.size(), 2u);
    closeAll();
    EXPECT_EQ(dir.read("itemcode.ntx"), before);
}

TEST(WorkAreaTest, SharedOpenSeesAppendsOfAnotherWriter) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    ASSERT_TRUE(useArea(path, "editor", true, false));
    EXPECT_EQ(lastRec(), 1u);
    fieldPut("desc", "edited");  // pending while another writer appends
    std::thread([&] {
        ASSERT_TRUE(useArea(path, "writer", true, false));
        appendBlank();
        fieldPut("code", "NEW-001");
        closeAll();
    }).join();
    commit();  // must not put back the old record count
    EXPECT_EQ(lastRec(), 2u);
    goTo(2);
    EXPECT_EQ(fieldGetString("code"), "NEW-001");
    closeAll();
    ASSERT_TRUE(useArea(path, "", false, true));
    EXPECT_EQ(lastRec(), 2u);
    EXPECT_EQ(fieldGetString("desc"), "edited              ");
    closeAll();
    // The file ends with one end mark after the last record.
    std::string bytes = dir.read("items.dbf");
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.size(), 32u + 4 * 32 + 1 + 2 * 39 + 1);
    EXPECT_TRUE(rec.seen.empty());
}

// A thread that ends with its tables open has them closed: pending changes
// written and the files let go. Many short threads, as the display's turns
// make, so that closing from freed thread storage would show.
TEST(WorkAreaTest, AThreadsTablesAreClosedWhenItEnds) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    for (int i = 0; i < 40; ++i) {
        std::thread([&] {
            ASSERT_TRUE(useArea(path, "mine", true, false));
            fieldPut("desc", "thread " + std::to_string(i));
            selectArea(0);
            ASSERT_TRUE(useArea(path, "again", true, true));
        }).join();
        ASSERT_TRUE(useArea(path, "", false, true));  // exclusive: nothing holds it
        EXPECT_EQ(core::rtrim(fieldGetString("desc")), "thread " + std::to_string(i));
        closeAll();
    }
    EXPECT_TRUE(rec.seen.empty());
}

TEST(WorkAreaTest, TableCutShortUnderASharedReaderIsAnErrorNotACrash) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123", "1200345", "CH--001"});
    ASSERT_TRUE(useArea(path, "", true, true));
    ASSERT_TRUE(createIndex(dir.file("ix"), "code"));
    closeAll();
    ASSERT_TRUE(useArea(path, "", true, true));
    ASSERT_TRUE(ordListAdd(dir.file("ix")));
    std::filesystem::resize_file(dir.file("items.dbf"), 32 + 4 * 32 + 1 + 39);
    EXPECT_TRUE(seek("AB--123"));  // record 1 still there
    EXPECT_FALSE(seek("CH--001"));  // its record is cut short: the table is at fault
    EXPECT_TRUE(eof());
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].genCode, errors::kGenCorrupt);
    EXPECT_EQ(rec.seen[0].fileName, dir.file("items.dbf"));
    EXPECT_EQ(lastRec(), 1u);
    EXPECT_FALSE(seek("CH--001"));  // now the index points past the table's end
    ASSERT_EQ(rec.seen.size(), 2u);
    EXPECT_EQ(rec.seen[1].genCode, errors::kGenCorrupt);
    EXPECT_EQ(rec.seen[1].fileName, dir.file("ix.ntx"));
}

TEST(WorkAreaTest, CommitAndCloseEverythingReachesEveryThread) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    std::mutex m;
    std::condition_variable cv;
    int stage = 0;
    std::thread worker([&] {
        ASSERT_TRUE(useArea(path, "slides", false, false));
        fieldPut("code", "CHANGED");  // pending, not yet written
        {
            std::lock_guard lock(m);
            stage = 1;
        }
        cv.notify_all();
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return stage == 2; });
        EXPECT_FALSE(isUsed());
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return stage == 1; });
    }
    commitAndCloseEverything();
    {
        std::lock_guard lock(m);
        stage = 2;
    }
    cv.notify_all();
    worker.join();
    ASSERT_TRUE(useArea(path, "", false, true));  // exclusive: nothing holds it now
    EXPECT_EQ(fieldGetString("code"), "CHANGED");
}

TEST(WorkAreaTest, EngineMissingAfterAFailedSetUp) {
    ErrorRecorder rec;
    testsupport::TempDir dir;
    std::string path = makeItems(dir, {"AB--123"});
    tables::dbeResetForSetup();
    tables::dbeLoad("DBFDBE", true);
    EXPECT_FALSE(tables::dbeBuild("DBFNTX", "DBFDBE", "NTXDBE"));
    EXPECT_FALSE(useArea(path, "", true, true));
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_NE(rec.seen[0].description.find("DBFNTX database engine not loaded"), std::string::npos);
    tables::dbeLoad("NTXDBE", true);
    EXPECT_TRUE(tables::dbeBuild("DBFNTX", "DBFDBE", "NTXDBE"));
    EXPECT_TRUE(useArea(path, "", true, true));
}

}  // namespace
