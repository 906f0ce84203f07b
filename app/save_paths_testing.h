#pragma once

// Every save of the program, as the tests of its failures drive it: the
// parameter file, the slide show list, the re-index and the error log, each
// in a folder of its own that it prepares. No Qt.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/display_state.h"
#include "errors/error_log.h"
#include "errors/handler_test_support.h"
#include "inventory/index_util.h"
#include "settings/list_box.h"
#include "settings/list_file.h"
#include "settings/param_file.h"
#include "tables/table.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace app::test {

using testsupport::TempDir;

struct FixedWindow : settings::WindowQuery {
    int frameState() const override { return 3; }
    double positionX() const override { return 10; }
    double positionY() const override { return 20; }
    bool fullScreenTicked() const override { return false; }
};

// A stock table of `n` records, written by the engine.
inline void stockTable(const std::string& path, int n) {
    ASSERT_TRUE(tables::Table::create(path, {{"CODE", 'C', 7, 0}, {"NAME", 'C', 10, 0}}).isOk());
    std::unique_ptr<tables::Table> table;
    ASSERT_TRUE(tables::Table::open(path, false, false, &table).isOk());
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(table->appendBlank().isOk());
        ASSERT_TRUE(table->putText("CODE", "CH" + std::to_string(90000 - 37 * i)).isOk());
        ASSERT_TRUE(table->putText("NAME", "ring " + std::to_string(i)).isOk());
    }
    ASSERT_TRUE(table->commit().isOk());
}

inline void saveList(const TempDir& dir, const std::vector<std::string>& items) {
    settings::MemoryListBox list(items);
    settings::SaveList(list, dir.file("TILL1.dbf"), {}, [](int) {});
}

struct SavePath {
    const char* name;
    std::function<void(const TempDir&)> prepare;  // the files there before
    std::function<void(const TempDir&)> save;     // tells the user through dialogs
    std::string saved;     // what a save that went through says
    std::string notSaved;  // what one that did not says (a part of it)
    // The save replaces several files, each whole in its turn: a failure may
    // come after some of them are new.
    bool fileByFile = false;
    // The files the save writes, in the order it writes them.
    std::vector<std::string> writes = {};
    // A name it cannot use is passed over for the next (the error log).
    bool passesOver = false;
};

// The saves, telling the user through `dialogs`; table errors must let the
// operation fail (errors::Action::Default).
inline std::vector<SavePath> savePaths(testsupport::ScriptedDialogs& dialogs) {
    return {
        {"parameter file",
         [](const TempDir& dir) { dir.write("TILL1.ini", "[CodeSpec]\r\nC:\\OLD\\image.tmp\r\n"); },
         [](const TempDir& dir) {
             settings::Settings s;
             s.cBuffer = "C:\\NEW\\image.tmp";
             static_cast<void>(settings::SaveParam(dir.file("TILL1.ini"), s, FixedWindow()));
         },
         "Parameters saved.", "Parameters NOT saved!", false, {"TILL1.ini"}},
        {"slide show list", [](const TempDir& dir) { saveList(dir, {"OLD1", "OLD2"}); },
         [](const TempDir& dir) { saveList(dir, {"NEW1", "NEW2", "NEW3"}); },
         std::string(settings::kSavedToFile), "NOT saved", false, {"TILL1.dbf"}},
        {"re-index",
         [](const TempDir& dir) {
             for (const char* table : {"istock", "imerch", "isub"}) {
                 stockTable(dir.file(std::string(table) + ".dbf"), 30);
             }
             for (const char* index : {"istkcode.ntx", "imercode.ntx", "isubcode.ntx"}) {
                 dir.write(index, "old");
             }
         },
         [&dialogs](const TempDir& dir) {
             struct : inventory::ReindexLabel {
                 void create() override {}
                 void destroy() override {}
             } label;
             struct : inventory::ReindexProgress {
                 void setRange(double, double, double) override {}
                 void increment(double) override {}
             } progress;
             dialogs.answer(platform::Answer::Ok);  // the confirmation
             inventory::IndexUtil(dir.str(), label, progress);
         },
         inventory::kReindexDone, "could not be written", /*fileByFile=*/true,
         {"isubcode.ntx", "imercode.ntx", "istkcode.ntx"}},
        {"error log", [](const TempDir& dir) { dir.write("KRLERROR.LOG", "an earlier log"); },
         [&dialogs](const TempDir& dir) {
             errors::Error e;
             e.description = "Zero divisor";
             try {
                 errors::ErrorLog(e, 2, errors::test::testServices(dialogs, dir));
             } catch (const errors::test::ProgramEnded& end) {
                 EXPECT_EQ(end.code, 1);
             }
         },
         "Error log was written to the file KRLERROR.LOG", "Unable to open error log file", false,
         {"KRLERROR.LOG"}, /*passesOver=*/true},
    };
}

// Runs the save `p` in `dir` on a sound disk: it must say that it saved.
inline void saveOnASoundDisk(const SavePath& p, const TempDir& dir,
                             const testsupport::ScriptedDialogs& dialogs) {
    p.prepare(dir);
    p.save(dir);
    ASSERT_EQ(dialogs.boxes().back().text.rfind(p.saved, 0), 0u) << dialogs.boxes().back().text;
}

}  // namespace app::test
