// MakeDesc against tables written and indexed by our engine.
#include "inventory/make_desc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <any>
#include <chrono>
#include <functional>
#include <optional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/display_state.h"
#include "core/program_state.h"
#include "errors/error.h"
#include "inventory/item_code.h"
#include "inventory/item_tables_testing.h"
#include "platform/file.h"
#include "tables/dbf.h"
#include "tables/ntx.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace inventory::testing {

// Each test starts as the program does: no lookup yet, display running,
// no shop word.
class MakeDescTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetTablesFound();
        core::resetDisplayState();
        core::programState().cProgName.setData("");
    }
    void TearDown() override { core::resetDisplayState(); }
    void resetTablesFound() { m_lookup = std::make_unique<InventoryLookup>(); }
    bool tablesFound() const { return m_lookup->tablesFound(); }

    void writeShop() {
        for (const TableData& t : shopTables()) {
            ASSERT_TRUE(writeWithOurEngine(m_dir.str(), t));
            ASSERT_TRUE(indexWithOurEngine(m_dir.str(), t));
        }
    }
    void remove(const std::string& name) { std::filesystem::remove(m_dir.path() / name); }
    std::string lookup(const std::string& code) { return m_lookup->MakeDesc(code, m_dir.str()); }
    // Whether the lookup left a table or index open: the point-of-sale could
    // not then have it for itself.
    bool anyTableOpen() const {
        for (const char* name : {"istock.dbf", "imerch.dbf", "isub.dbf", "istkcode.ntx",
                                 "imercode.ntx", "isubcode.ntx"}) {
            std::unique_ptr<platform::File> file;
            const platform::Status st = platform::openFile(
                (m_dir.path() / name).string(),
                {platform::Access::ReadOnly, platform::Share::Exclusive, platform::Disposition::Existing},
                &file);
            if (st.code() == platform::Status::Code::Locked) return true;
        }
        return false;
    }

    testsupport::TempDir m_dir;
    std::unique_ptr<InventoryLookup> m_lookup;
};

TEST_F(MakeDescTest, Descriptions) {
    writeShop();
    const std::string cont = kLongDesc + "IAMONDS\r\n(Merch. code: 1200346)\r\nPrice:     2400.00";
    struct Case {
        std::string code, text;
    } cases[] = {
        {"CH--123", kChainText},
        {"ch--123", kChainText},  // upper-cased before the seek
        {"1200345", kRingText},
        {"SZ--099", "RING\r\nSize =99.0mm  (Stock code: SZ--099)\r\nPrice:       10.00"},
        {"SZ--100", "RING\r\nLength = 10.0cm  (Stock code: SZ--100)\r\nPrice:       10.00"},
        {"DL--001", "BROOCH\r\n(Stock code: DL--001)\r\nPrice:      $12.50"},
        {"DI--050",
         "DIAMOND STUDS.\r\nTotal weight of Diamond(s) =0.50ct, G/VS1.\r\n"
         "Total weight of other stones =1.25ct\r\n(Stock code: DI--050)\r\nPrice:      500.00"},
        {"ER--002",
         "SET OF 2 EARRINGS\r\nTotal mass of pair =  3.00g\r\n(Stock code: ER--002)\r\n"
         "Price:       75.00"},
        {"1200346", cont},
        // Remarks, "!" texts and upper-case G/F raw codes stay hidden; a
        // lower-case g is shown, a quantity-0 line after one blank.
        {"1200347",
         "PENDANT gold 9ct with  2 x REMOUNTED STONE\r\n(Merch. code: 1200347)\r\n"
         "Price:       60.00"},
        // Deleted records and lines are passed over; a code held only by
        // deleted records is not found.
        {"RE--001", "NEW PENDANT\r\n(Stock code: RE--001)\r\nPrice:      120.00"},
        {"1200348",
         "BANGLE with  4 x GARNET, wght=1.25\r\n(Merch. code: 1200348)\r\nPrice:       20.00"},
        {"DD--001", notFound("DD--001")},
        {"1200349", notFound("1200349")},
        {"XX--999", notFound("XX--999")},
        {"9999999", notFound("9999999")},
        {"-123456", notFound("-123456")},
        // A stock code is read from istock only, whatever imerch holds.
        {"AB--777", notFound("AB--777")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lookup(c.code), c.text) << c.code;
        EXPECT_FALSE(anyTableOpen()) << c.code;
    }
    EXPECT_TRUE(tablesFound());
}

TEST_F(MakeDescTest, ShopWordInWelcomeAndNotFound) {
    writeShop();
    core::programState().cProgName.setData("Jewellers ");
    EXPECT_EQ(lookup(" \t\r\n"), "\r\n\r\n The Jewellers Tillmaster\r\n\r\n     DATA DISPLAYER");
    EXPECT_EQ(lookup("XX--999"),
              "\r\n The Jewellers Tillmaster\r\n\r\n     DATA DISPLAYER\r\n\r\n\r\n\r\n\r\n"
              "XX--999  was not found in the data files.\r\n\r\nCheck settings or update data.");
}

// Guards and error texts before any lookup succeeded, with files missing.
TEST_F(MakeDescTest, MissingFiles) {
    const std::string dir = m_dir.str();
    const std::string neither = "This item is neither merchandise nor standard stock.";
    const std::string dataText =
        "ERROR! Could not open data files.  Please check data path on settings page.\r\n\r\n\r\n"
        "Diagnostics:\r\n" +
        dir + "\\imerch\r\n" + dir + "\\istock\r\n";
    const std::string indexText =
        "ERROR! Missing INDEX files.  Please check data path on settings page and if correct "
        "choose 'Re-index' to create new indexes.\r\n\r\nDiagnostics:\r\n" +
        dir + "\\imercode.ntx\r\n" + dir + "\\istkcode.ntx\r\n" + dir + "\\isubcode.ntx\r\n";
    struct Case {
        std::vector<std::string> missing;
        std::string code, text;
    } cases[] = {
        // No file at all: the guards still answer without looking.
        {{"*"}, "", "\r\n\r\n The Tillmaster\r\n\r\n     DATA DISPLAYER"},
        {{"*"}, "0012345", neither},
        {{"*"}, "CH--12", neither},
        {{"*"}, "CH--1234", neither},
        {{"*"}, "CH--123", dataText},
        {{"*"}, "1200345", dataText},
        // A negative code is a merchandise code: its table files missing
        // give the data files text.
        {{"*"}, "-123456", dataText},
        {{"imerch.dbf"}, "-123456", dataText},
        {{"imercode.ntx"}, "-123456", indexText},
        // Standard stock files missing: a stock code goes to the merchandise
        // tables and is not found there, even when imerch holds it.
        {{"istock.dbf"}, "CH--123", notFound("CH--123")},
        {{"istkcode.ntx"}, "CH--123", notFound("CH--123")},
        {{"istkcode.ntx"}, "AB--777", notFound("AB--777")},
        {{"istkcode.ntx"}, "1200345", kRingText},
        {{"istock.dbf", "imerch.dbf"}, "CH--123", dataText},
        {{"istkcode.ntx", "isubcode.ntx"}, "CH--123", indexText},
        {{"isubcode.ntx"}, "CH--123", kChainText},
        {{"isubcode.ntx"}, "1200345", indexText},
        {{"isub.dbf"}, "1200345", dataText},
        {{"imercode.ntx"}, "1200345", indexText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code + " without " + c.missing.front());
        std::filesystem::remove_all(m_dir.path());
        std::filesystem::create_directory(m_dir.path());
        writeShop();
        if (c.missing.front() == "*") {
            std::filesystem::remove_all(m_dir.path());
        } else {
            for (const auto& name : c.missing) remove(name);
        }
        // Files never seen: a quiet lookup gives the same texts.
        resetTablesFound();
        const Description quiet = m_lookup->describe(c.code, dir, Patience::Quiet);
        EXPECT_TRUE(quiet.complete);
        EXPECT_EQ(quiet.text, c.text);
        resetTablesFound();
        EXPECT_EQ(lookup(c.code), c.text);
        EXPECT_FALSE(anyTableOpen());
        const bool found = c.text == kRingText || c.text == kChainText ||
                           c.text.find("was not found") != std::string::npos;
        EXPECT_EQ(tablesFound(), found);
    }
}

#ifndef _WIN32
// A damaged table and index (found by fuzz_make_desc) on which a skip over a
// deleted record fails in place: with the failure taking its default, the
// lookup once stepped on the same record for ever.
TEST_F(MakeDescTest, WalkOverADamagedIndexEnds) {
    const char* src = std::getenv("LUMISETT_TEST_SRC");
    std::ifstream in(std::string(src ? src : ".") +
                         "/inventory/fuzz/corpus/fuzz_make_desc/skip-that-does-not-move",
                     std::ios::binary);
    const std::string input(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(input.size(), 10u);
    const std::size_t codeLength = std::uint8_t(input[0]);
    const std::size_t at = 1 + codeLength;
    const std::size_t tableLength =
        std::uint8_t(input[at]) | std::size_t(std::uint8_t(input[at + 1])) << 8;
    m_dir.write("istock.dbf", input.substr(at + 2, tableLength));
    m_dir.write("istkcode.ntx", input.substr(at + 2 + tableLength));
    const errors::Handler previous = errors::setHandler(errors::defaultOrUnwind);
    std::string text;
    EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(5), [&] {
        try {
            text = lookup(input.substr(1, codeLength));
        } catch (const errors::Unwind&) {
        }
    }));
    errors::setHandler(previous);
}

// A table or index that is a FIFO, device, socket or folder is a missing file
// (the point-of-sale's folder is shared): the lookup gives the missing-file
// text at once, and no open waits on it.
TEST_F(MakeDescTest, TablesAndIndexesThatAreNoRegularFilesAreMissing) {
    const std::string dataText = dataFilesErrorText(m_dir.str());
    const std::string indexText = indexFilesErrorText(m_dir.str());
    const struct {
        std::vector<const char*> names;
        const std::string& text;
    } cases[] = {
        {{"istock.dbf", "imerch.dbf"}, dataText},
        {{"istkcode.ntx", "isubcode.ntx"}, indexText},
    };
    for (const auto& k : testsupport::kHostileKinds) {
        if (k.kind == testsupport::Hostile::Huge) continue;  // a regular file: the engine judges it
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(k.name) + " as " + c.names.front());
            std::filesystem::remove_all(m_dir.path());
            std::filesystem::create_directory(m_dir.path());
            writeShop();
            for (const char* name : c.names) {
                remove(name);
                testsupport::makeHostile(k.kind, m_dir.path() / name);
            }
            resetTablesFound();
            std::string text;
            EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2),
                                                    [&] { text = lookup("CH--123"); },
                                                    m_dir.path() / c.names.front()));
            EXPECT_EQ(text, c.text);
        }
    }
}
#endif

// The point-of-sale rewrote a table after its index was built. Every lookup
// that the stale index would lead to another record (or past the end of the
// table) shows the missing-index text, which sends the shop to Re-index,
// never that record, and asks no one: no error reaches the handler.
TEST_F(MakeDescTest, AStaleIndexShowsTheIndexTextNeverAnotherItem) {
    // Sets `code` in record `recno` of `table`, its index left as it was.
    auto setCode = [&](const char* table, std::uint32_t recno, const char* code) {
        std::unique_ptr<tables::Table> t;
        ASSERT_TRUE(tables::Table::open(m_dir.str() + "/" + table + ".dbf", false, false, &t).isOk());
        ASSERT_TRUE(t->goTo(recno).isOk());
        ASSERT_TRUE(t->putText("code", code).isOk());
        ASSERT_TRUE(t->commit().isOk());
    };
    const std::vector<TableData> shop = shopTables();
    const struct {
        const char* what;
        std::function<void()> damage;
        std::vector<std::string> codes;  // each gives the index text
    } cases[] = {
        {"two codes swapped",
         [&] {
             setCode("istock", 1, "SZ--099");
             setCode("istock", 2, "CH--123");
         },
         {"CH--123", "SZ--099"}},
        {"a code changed", [&] { setCode("imerch", 1, "1299999"); }, {"1200345"}},
        {"a component line's code changed", [&] { setCode("isub", 2, "1200399"); }, {"1200345"}},
        {"records removed (istock packed without its first two)",
         [&] {
             TableData packed = shop[0];
             packed.rows.erase(packed.rows.begin(), packed.rows.begin() + 2);
             ASSERT_TRUE(writeWithOurEngine(m_dir.str(), packed));
         },
         {"CH--123", "SZ--100", "DL--001"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_dir.path());
        std::filesystem::create_directory(m_dir.path());
        writeShop();
        c.damage();
        std::vector<errors::Error> raised;
        errors::ThreadHandlerScope scope([&](errors::Error& e) {
            raised.push_back(e);
            return errors::Action::Default;
        });
        for (const std::string& code : c.codes) {
            EXPECT_EQ(lookup(code), indexFilesErrorText(m_dir.str())) << code;
            EXPECT_FALSE(anyTableOpen());
        }
        EXPECT_TRUE(raised.empty()) << raised.front().description;
    }
}

TEST_F(MakeDescTest, SuspendedDisplayTouchesNoTable) {
    writeShop();
    core::StopDisplay(true);
    EXPECT_EQ(lookup(""), "Program stopped");
    EXPECT_EQ(lookup("CH--123"), "Program stopped");
    EXPECT_FALSE(tablesFound());
}

// After a first success the files are no longer looked for: a table missing
// later makes the open fail, which goes to the error handler.
TEST_F(MakeDescTest, AfterFirstSuccessAFailedOpenGoesToTheHandler) {
    writeShop();
    ASSERT_EQ(lookup("CH--123"), kChainText);
    ASSERT_TRUE(tablesFound());
    remove("imerch.dbf");
    remove("istkcode.ntx");

    std::vector<errors::Error> seen;
    {
        errors::ThreadHandlerScope scope([&](errors::Error& e) {
            seen.push_back(e);
            return errors::Action::Default;
        });
        // isub opens, imerch does not: the item counts as not found.
        EXPECT_EQ(lookup("1200345"), notFound("1200345"));
        EXPECT_FALSE(anyTableOpen());
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_NE(seen[0].fileName.find("imerch"), std::string::npos);
        EXPECT_EQ(lookup("CH--123"), notFound("CH--123"));
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_NE(seen[1].fileName.find("istkcode"), std::string::npos);
        EXPECT_FALSE(anyTableOpen());
    }
    // No handler: the error unwinds out of MakeDesc, its tables closed.
    EXPECT_THROW(lookup("1200345"), errors::Unwind);
    EXPECT_FALSE(anyTableOpen());
    EXPECT_THROW(lookup("CH--123"), errors::Unwind);
    EXPECT_FALSE(anyTableOpen());
    EXPECT_TRUE(tablesFound());
}

// What the point-of-sale does to the tables while it works, met by a quiet
// lookup (the display's) and by one that reports (MakeDesc, as the tools use it):
// the quiet one comes back incomplete within moments and asks no one; the
// other gives the texts and errors it always gave.
TEST_F(MakeDescTest, APointOfSaleAtWorkIsBusyNotMissingOrNotFound) {
    using platform::Access;
    using platform::Share;
    struct Held {
        std::unique_ptr<platform::File> file;
    };
    // Another program's handle on `name` in the data folder, optionally
    // holding the byte lock at `offset`.
    auto hold = [&](const char* name, Share share, std::optional<std::uint64_t> offset) {
        Held h;
        EXPECT_TRUE(platform::openFile((m_dir.path() / name).string(), {Access::ReadWrite, share}, &h.file)
                        .isOk())
            << name;
        if (h.file && offset) {
            EXPECT_TRUE(h.file->lock(*offset, 1, true, 0).isOk()) << name;
        }
        return h;
    };
    const struct {
        const char* what;
        std::function<std::any()> act;  // what the point-of-sale holds while the lookups run
        std::string reported;           // the Report lookup's text ("" : the handler unwinds)
    } cases[] = {
        // The index lock is taken as the index is opened: an open another
        // program refuses fails quietly, as before.
        {"the index lock held",
         [&] { return std::any(std::make_shared<Held>(hold("istkcode.ntx", Share::Shared, tables::Ntx::kIndexLock))); },
         notFound("CH--123")},
        {"the record locked",
         [&] { return std::any(std::make_shared<Held>(hold("istock.dbf", Share::Shared, tables::Dbf::kLockBase + 1))); },
         ""},
        {"the table open exclusively",
         [&] { return std::any(std::make_shared<Held>(hold("istock.dbf", Share::Exclusive, std::nullopt))); },
         notFound("CH--123")},
        {"the index gone for a moment",
         [&] {
             std::filesystem::rename(m_dir.path() / "istkcode.ntx", m_dir.path() / "istkcode.old");
             return std::any();
         },
         ""},
        {"the index out of step with the table",
         [&] {
             std::unique_ptr<tables::Table> t;
             EXPECT_TRUE(tables::Table::open(m_dir.str() + "/istock.dbf", true, false, &t).isOk());
             EXPECT_TRUE(t->goTo(1).isOk());
             EXPECT_TRUE(t->putText("code", "ZZ--999").isOk());
             EXPECT_TRUE(t->commit().isOk());
             return std::any();
         },
         indexFilesErrorText(m_dir.str())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_dir.path());
        std::filesystem::create_directory(m_dir.path());
        writeShop();
        ASSERT_EQ(lookup("CH--123"), kChainText);  // the tables found once
        std::vector<errors::Error> raised;
        // As the program's handler: an open refused by another program's
        // exclusive hold fails quietly; any other error, here, unwinds.
        errors::ThreadHandlerScope scope([&](errors::Error& e) -> errors::Action {
            raised.push_back(e);
            if (e.genCode == errors::kGenOpen && e.osCode == errors::kOsSharingViolation) {
                return errors::Action::Default;
            }
            throw errors::Unwind(e);
        });
        const std::any held = c.act();
        const auto start = std::chrono::steady_clock::now();
        const Description quiet = m_lookup->describe("CH--123", m_dir.str(), Patience::Quiet);
        EXPECT_FALSE(quiet.complete) << quiet.text;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_TRUE(raised.empty()) << raised.front().description;
        EXPECT_EQ(m_lookup->describe("1200345", m_dir.str(), Patience::Quiet).text, kRingText)
            << "the other tables answer";
        if (c.reported.empty()) {
            EXPECT_THROW(lookup("CH--123"), errors::Unwind);
        } else {
            EXPECT_EQ(lookup("CH--123"), c.reported);
        }
    }
}

// Files of a code's own tables that a lookup saw, absent before any lookup
// completed (the point-of-sale writes them anew as the display starts): a
// quiet lookup gives no text for them; one that reports gives the texts.
TEST_F(MakeDescTest, FilesSeenAndNowAbsentGiveNoTextWhenQuiet) {
    const struct {
        const char* code;
        const char* gone;
        std::string reported;
    } cases[] = {
        // Sent to the merchandise tables, where it is not found.
        {"CH--123", "istkcode.ntx", notFound("CH--123")},
        {"CH--123", "istock.dbf", notFound("CH--123")},
        {"1200345", "isub.dbf", dataFilesErrorText(m_dir.str())},
        {"1200345", "imercode.ntx", indexFilesErrorText(m_dir.str())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " without " + c.gone);
        std::filesystem::remove_all(m_dir.path());
        std::filesystem::create_directory(m_dir.path());
        writeShop();
        resetTablesFound();
        {
            // Seen, and held by the point-of-sale: busy, no table found yet.
            std::unique_ptr<platform::File> held;
            ASSERT_TRUE(platform::openFile((m_dir.path() / c.gone).string(),
                                           {platform::Access::ReadWrite, platform::Share::Exclusive}, &held)
                            .isOk());
            EXPECT_FALSE(m_lookup->describe(c.code, m_dir.str(), Patience::Quiet).complete);
        }
        ASSERT_FALSE(tablesFound());
        remove(c.gone);
        const Description quiet = m_lookup->describe(c.code, m_dir.str(), Patience::Quiet);
        EXPECT_FALSE(quiet.complete) << quiet.text;
        EXPECT_TRUE(quiet.filesMissing);
        EXPECT_EQ(m_lookup->describe(c.code, m_dir.str(), Patience::Report).text, c.reported);
    }
}

// The first success counts for every thread that uses the same lookup.
TEST_F(MakeDescTest, FirstSuccessCountsForEveryThread) {
    writeShop();
    std::string text;
    std::thread([&] { text = lookup("1200345"); }).join();
    EXPECT_EQ(text, kRingText);
    remove("istkcode.ntx");
    EXPECT_THROW(lookup("CH--123"), errors::Unwind);
    EXPECT_FALSE(anyTableOpen());
}

}  // namespace inventory::testing
