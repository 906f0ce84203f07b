#include "inventory/index_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "core/display_state.h"
#include "errors/handler_test_support.h"
#include "inventory/progress_model.h"
#include "inventory/testing/reindex_tables.h"
#include "platform/fs.h"
#include "tables/cursor.h"
#include "tables/table.h"

namespace {

using inventory::ReindexResult;
using namespace inventory::test;
namespace fs = std::filesystem;

const char* const kIndexNames[] = {"istkcode.ntx", "imercode.ntx", "isubcode.ntx"};

// Old index files with contents of their own.
void oldIndexes(const testsupport::TempDir& dir) {
    for (const char* f : kIndexNames) dir.write(f, "old");
}

bool oldIndexesKept(const testsupport::TempDir& dir) {
    for (const char* f : kIndexNames) {
        if (dir.read(f) != "old") return false;
    }
    return true;
}

std::vector<std::string> fileNames(const testsupport::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether this thread can have the table `path` for itself: nobody holds it.
bool openExclusive(const std::string& path) {
    std::unique_ptr<tables::Table> table;
    return tables::Table::open(path, false, false, &table).isOk();
}

constexpr platform::Answer kOk = platform::Answer::Ok, kCancel = platform::Answer::Cancel,
                           kNo = platform::Answer::No;

// The label and the bar as the utility drives them, with the bar's own
// arithmetic behind it. Records what happens and on which thread.
struct Widgets : inventory::ReindexProgress {
    testsupport::ScriptedDialogs* dialogs = nullptr;
    std::string dir;
    std::mutex mutex;
    std::vector<std::string> events;
    inventory::ProgressModel bar;
    bool displayStoppedDuringWork = false;
    std::thread::id caller = std::this_thread::get_id(), worker;
    // Which of the new index files existed at each increment ("sub merch").
    std::vector<std::string> builtBefore;
    std::optional<int> throwAt;  // increment number that throws

    void log(const std::string& e) {
        std::lock_guard lock(mutex);
        events.push_back(e + "/" + std::to_string(dialogs->boxes().size()));
    }
    void create() override { log("created"); }
    void destroy() override { log("destroyed"); }
    void setRange(double minimum, double maximum, double current) override {
        bar.setMinimum(minimum);
        bar.setMaximum(maximum);
        bar.setCurrent(current);
        worker = std::this_thread::get_id();
        displayStoppedDuringWork = core::StopDisplay();
        log("range");
    }
    void increment(double n) override {
        EXPECT_EQ(std::this_thread::get_id(), worker);
        bar.increment(n);
        std::string built;
        for (const char* f : {"isubcode.ntx", "imercode.ntx", "istkcode.ntx"}) {
            built += fs::exists(fs::path(dir) / f) ? "1" : "0";
        }
        if (builtBefore.empty() || builtBefore.back() != built) builtBefore.push_back(built);
        if (throwAt && int(bar.progress()) - 1 == *throwAt) throw std::runtime_error("stop here");
    }
};

struct Label : inventory::ReindexLabel {
    Widgets* w;
    explicit Label(Widgets* widgets) : w(widgets) {}
    void create() override { w->log("label created"); }
    void destroy() override { w->log("label destroyed"); }
};

// A label and a bar for one run in `dir`.
struct PageWidgets {
    Widgets bar;
    Label label{&bar};
    PageWidgets(testsupport::ScriptedDialogs& dialogs, const testsupport::TempDir& dir) {
        bar.dialogs = &dialogs;
        bar.dir = dir.str();
    }
};

class IndexUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::resetDisplayState();
        widgets.dialogs = &dialogs;
        widgets.dir = dir.str();
    }
    void TearDown() override { core::resetDisplayState(); }

    std::string path(const std::string& name) const { return dir.file(name); }
    void table(const std::string& name, std::uint32_t n, char prefix) {
        writeTable(path(name), n, prefix);
    }
    ReindexResult run() { return inventory::IndexUtil(dir.str(), label, widgets); }

    testsupport::TempDir dir;
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope{&dialogs};
    errors::test::HandlerScope handler{errors::standardHandler(errors::test::testServices(dialogs, dir))};
    Widgets widgets;
    Label label{&widgets};
};

TEST_F(IndexUtilTest, AsksFirstAndReturnsWithoutTouchingAnythingOnCancelOrWithoutStockTable) {
    struct Case {
        const char* name;
        bool stockTable;
        platform::Answer answer;
        bool suspendedBefore;
        ReindexResult result;
        std::vector<std::string> messages;
    } cases[] = {
        {"cancel", true, kCancel, false, ReindexResult::Cancelled, {}},
        {"cancel while suspended", true, kCancel, true, ReindexResult::Cancelled, {}},
        {"no stock table", false, kOk, false, ReindexResult::NoTables, {inventory::kNoTablesMessage}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir data;
        if (c.stockTable) writeTable(data.file("istock.dbf"), 5, 'S');
        writeTable(data.file("imerch.dbf"), 4, 'M');
        writeTable(data.file("isub.dbf"), 3, 'U');
        oldIndexes(data);
        const auto before = fileNames(data);
        core::StopDisplay(c.suspendedBefore);
        const std::size_t boxesBefore = dialogs.boxes().size();
        dialogs.answer(c.answer);

        EXPECT_EQ(inventory::IndexUtil(data.str(), label, widgets), c.result);

        auto boxes = dialogs.boxes();
        boxes.erase(boxes.begin(), boxes.begin() + std::ptrdiff_t(boxesBefore));
        ASSERT_EQ(boxes.size(), 1 + c.messages.size());
        EXPECT_EQ(boxes[0].kind, "confirm");
        EXPECT_EQ(boxes[0].title, "Re-index files?");
        EXPECT_EQ(boxes[0].text,
                  "This Utility will create, or re-create, index files for the\r\n"
                  "inventory files used by Lumisett. These inventory files will\r\n"
                  "be locked for the duration of the indexing process.");
        EXPECT_EQ(boxes[0].buttons, platform::Buttons::OkCancel);
        EXPECT_EQ(boxes[0].style, (platform::BoxStyle{platform::Icon::Warning, 1}));
        for (std::size_t i = 0; i < c.messages.size(); ++i) EXPECT_EQ(boxes[1 + i].text, c.messages[i]);
        EXPECT_TRUE(widgets.events.empty());
        EXPECT_EQ(fileNames(data), before);
        EXPECT_TRUE(oldIndexesKept(data));
        EXPECT_EQ(core::StopDisplay(), c.suspendedBefore);
    }
}

TEST_F(IndexUtilTest, RebuildsIndexesInOrderWithOneStepPerRecord) {
    struct Case {
        const char* name;
        std::uint32_t stock;
        std::optional<std::uint32_t> merch, sub;
        double minimum, maximum;
        std::vector<std::string> builtBefore;  // sub, merch, stock index present
    } cases[] = {
        {"all three", 40, 30, 20, 1, 90, {"000", "100", "110"}},
        {"merchandise missing", 25, std::nullopt, 20, 1, 25, {"000"}},
        {"empty tables", 0, 0, 0, 0, 1, {}},  // the maximum 0 below the minimum 1 swaps them
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir data;
        PageWidgets page(dialogs, data);
        Widgets& widgets = page.bar;
        Label& label = page.label;
        writeTable(data.file("istock.dbf"), c.stock, 'S');
        if (c.merch) writeTable(data.file("imerch.dbf"), *c.merch, 'M');
        if (c.sub) writeTable(data.file("isub.dbf"), *c.sub, 'U');
        const std::size_t boxes = dialogs.boxes().size();
        dialogs.answer(kOk);

        EXPECT_EQ(inventory::IndexUtil(data.str(), label, widgets), ReindexResult::Done);

        const std::string b0 = "/" + std::to_string(boxes + 1), b1 = "/" + std::to_string(boxes + 2);
        EXPECT_EQ(widgets.events, (std::vector<std::string>{"label created" + b0, "created" + b0, "range" + b0,
                                                            "label destroyed" + b0, "destroyed" + b1}));
        EXPECT_EQ(dialogs.boxes().back().text, "Re-indexing complete");
        EXPECT_NE(widgets.worker, widgets.caller);
        EXPECT_TRUE(widgets.displayStoppedDuringWork);
        EXPECT_FALSE(core::StopDisplay());
        EXPECT_EQ(widgets.bar.minimum(), c.minimum);
        EXPECT_EQ(widgets.bar.maximum(), c.maximum);
        const std::uint32_t total = c.stock + (c.merch ? *c.merch + c.sub.value_or(0) : 0);
        EXPECT_EQ(widgets.bar.progress(), 1 + total);  // from current 1, one step per record
        EXPECT_EQ(widgets.builtBefore, c.builtBefore);

        std::vector<std::pair<std::string, std::string>> built{{"istock.dbf", "istkcode.ntx"}};
        if (c.merch) built.insert(built.end(), {{"imerch.dbf", "imercode.ntx"}, {"isub.dbf", "isubcode.ntx"}});
        else EXPECT_FALSE(fs::exists(data.path() / "imercode.ntx") || fs::exists(data.path() / "isubcode.ntx"));
        for (const auto& [t, ix] : built) {
            SCOPED_TRACE(ix);
            EXPECT_EQ(checkIndex(data.file(t), data.file(ix)), "");
#ifndef _WIN32
            std::vector<std::string> keys = perlKeys(data.file(ix));
            EXPECT_EQ(keys.size(), t == "istock.dbf" ? c.stock : t == "imerch.dbf" ? *c.merch : *c.sub);
            EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
#endif
        }
        // The worker's tables are closed: this thread can have them for itself.
        EXPECT_TRUE(openExclusive(data.file("istock.dbf")));
    }
}

TEST_F(IndexUtilTest, TableThatCannotBeOpenedStopsTheRunAndRemovesLabelAndBar) {
    struct Case {
        const char* name;
        bool holdMerch, subTable;
        std::vector<platform::Answer> errorAnswers;
        std::string message;
    } cases[] = {
        // The handler lets a refused exclusive open fail without a dialogue.
        {"merchandise held by another program", true, true, {},
         "imerch.dbf could not be opened for exclusive use"},
        // A missing table is named as missing, not as held by someone.
        {"sub-items missing, error ignored", false, false, {platform::Answer::Ignore}, "isub.dbf is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir data;
        PageWidgets page(dialogs, data);
        Widgets& widgets = page.bar;
        Label& label = page.label;
        writeTable(data.file("istock.dbf"), 10, 'S');
        writeTable(data.file("imerch.dbf"), 10, 'M');
        if (c.subTable) writeTable(data.file("isub.dbf"), 10, 'U');
        oldIndexes(data);
        std::optional<HeldTable> pos;
        if (c.holdMerch) pos.emplace(data.file("imerch.dbf"));
        const std::size_t before = dialogs.boxes().size();
        dialogs.answer(kOk);
        for (platform::Answer a : c.errorAnswers) dialogs.answer(a);

        EXPECT_EQ(inventory::IndexUtil(data.str(), label, widgets), ReindexResult::Stopped);

        auto boxes = dialogs.boxes();
        ASSERT_EQ(boxes.size(), before + 2 + c.errorAnswers.size());
        const std::string n = "/" + std::to_string(before + 1 + c.errorAnswers.size());
        EXPECT_NE(boxes.back().text.find(c.message), std::string::npos)
            << boxes.back().text;
        EXPECT_EQ(widgets.events, (std::vector<std::string>{"label created/" + std::to_string(before + 1),
                                                            "created/" + std::to_string(before + 1),
                                                            "label destroyed" + n,
                                                            "destroyed/" + std::to_string(boxes.size())}));
        EXPECT_TRUE(oldIndexesKept(data));
        EXPECT_TRUE(core::StopDisplay());
    }
}

TEST_F(IndexUtilTest, ErrorThatUnwindsRemovesLabelAndBarAndKeepsTheDisplaySuspended) {
    table("istock.dbf", 10, 'S');
    table("imerch.dbf", 10, 'M');
    writeTable(path("isub.dbf"), 10, 'U', "SKU");  // no code field: its index cannot be built
    oldIndexes(dir);
    dialogs.answer(kOk);
    dialogs.answer(kCancel);  // the error dialogue (OK, Cancel)
    dialogs.answer(kNo);      // "Exit with LOG file": no, unwind

    EXPECT_THROW(run(), errors::Unwind);

    auto boxes = dialogs.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].title, errors::kErrorTitle);
    EXPECT_EQ(boxes[1].buttons, platform::Buttons::OkCancel);
    EXPECT_NE(boxes[1].text.find("isub->code"), std::string::npos) << boxes[1].text;
    EXPECT_EQ(widgets.events, (std::vector<std::string>{"label created/1", "created/1", "range/1",
                                                        "label destroyed/3", "destroyed/3"}));
    EXPECT_TRUE(oldIndexesKept(dir));
    EXPECT_TRUE(core::StopDisplay());
    // The worker closed what it had opened.
    for (const char* t : {"istock.dbf", "imerch.dbf", "isub.dbf"}) EXPECT_TRUE(openExclusive(path(t))) << t;
}

TEST_F(IndexUtilTest, BuildFailingHalfwayLeavesTheOldIndexWorking) {
    table("istock.dbf", 60, 'S');
    table("imerch.dbf", 50, 'M');
    table("isub.dbf", 40, 'U');
    const auto files = inventory::indexFiles(dir.str());
    ASSERT_EQ(inventory::rebuildIndexes(files, widgets).result, ReindexResult::Done);
    const std::string before = dir.read("imercode.ntx");
    table("imerch.dbf", 70, 'N');  // the table changes; the next build fails in the middle
    Widgets failing;
    failing.dialogs = &dialogs;
    failing.dir = dir.str();
    failing.throwAt = 40 + 30;  // the 30th merchandise record

    std::thread worker([&] { EXPECT_THROW(inventory::rebuildIndexes(files, failing), std::runtime_error); });
    worker.join();

    EXPECT_EQ(dir.read("imercode.ntx"), before);
    for (const auto& name : fileNames(dir)) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    // The old index is still whole: it matches the old table, and the new one
    // is told apart from it.
    EXPECT_NE(checkIndex(path("imerch.dbf"), path("imercode.ntx")), "");
    table("imerch.dbf", 50, 'M');
    EXPECT_EQ(checkIndex(path("imerch.dbf"), path("imercode.ntx")), "");
#ifndef _WIN32
    EXPECT_EQ(perlKeys(path("imercode.ntx")).size(), 50u);
#endif
    std::unique_ptr<tables::Table> table;
    std::unique_ptr<tables::Cursor> order;
    ASSERT_TRUE(tables::Table::open(path("imerch.dbf"), true, true, &table).isOk());
    ASSERT_TRUE(tables::Cursor::open(*table, path("imercode.ntx"), &order).isOk());
    ASSERT_TRUE(order->first().isOk());
    std::string code;
    ASSERT_TRUE(table->getText("code", &code).isOk());
    bool found = false;
    EXPECT_TRUE(order->seek(code, &found).isOk());
    EXPECT_TRUE(found);
}

TEST(ReindexToolTest, RebuildsWithoutWindowAndFailsClearlyOnMissingOrHeldTables) {
    testsupport::TempDir dir;
    const std::string tool = quoted(LUMISETT_TOOL) + " reindex " + quoted(dir.str());
    auto [missing, missingRc] = run(tool);
    EXPECT_EQ(missingRc, 1);
    EXPECT_NE(missing.find("data files not found"), std::string::npos) << missing;

    writeTable(dir.file("istock.dbf"), 300, 'S');
    writeTable(dir.file("imerch.dbf"), 200, 'M');
    writeTable(dir.file("isub.dbf"), 100, 'U');
    auto [out, rc] = run(tool);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("\rRe-indexing: 100%"), std::string::npos) << out;
    EXPECT_NE(out.find("600 records"), std::string::npos) << out;
    EXPECT_EQ(checkIndex(dir.file("isub.dbf"), dir.file("isubcode.ntx")), "");
    EXPECT_EQ(checkIndex(dir.file("imerch.dbf"), dir.file("imercode.ntx")), "");
    EXPECT_EQ(checkIndex(dir.file("istock.dbf"), dir.file("istkcode.ntx")), "");

    HeldTable pos(dir.file("isub.dbf"));
    auto [held, heldRc] = run(tool);
    EXPECT_EQ(heldRc, 1);
    EXPECT_NE(held.find("isub.dbf could not be opened for exclusive use"), std::string::npos) << held;
}

}  // namespace
