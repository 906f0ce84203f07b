// Every save of the program on a disk that fails: at its first write, then at
// its second, and so on until the save goes through. Whatever write fails,
// the files there before stay byte for byte, nothing is left beside them,
// and the user is told that nothing was saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "core/display_state.h"
#include "errors/error_log.h"
#include "errors/handler_test_support.h"
#include "inventory/index_util.h"
#include "platform/write_faults.h"
#include "settings/list_box.h"
#include "settings/list_file.h"
#include "settings/param_file.h"
#include "tables/table.h"

namespace {

using testsupport::TempDir;
using Files = std::map<std::string, std::string>;

Files filesIn(const TempDir& dir) {
    Files files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        files[name] = dir.read(name);
    }
    return files;
}

struct Window : settings::WindowQuery {
    int frameState() const override { return 3; }
    double positionX() const override { return 10; }
    double positionY() const override { return 20; }
    bool fullScreenTicked() const override { return false; }
};

// A stock table of `n` records, written by the engine.
void stockTable(const std::string& path, int n) {
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

void saveList(const TempDir& dir, const std::vector<std::string>& items) {
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
};

TEST(SaveFaultsTest, EverySaveFailedAtEachWriteKeepsTheOldFilesAndSaysSo) {
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope(&dialogs);
    // Table errors let the operation fail, as the error box's Default does.
    errors::test::HandlerScope handler([](errors::Error&) { return errors::Action::Default; });

    const SavePath paths[] = {
        {"parameter file",
         [](const TempDir& dir) { dir.write("TILL1.ini", "[CodeSpec]\r\nC:\\OLD\\image.tmp\r\n"); },
         [](const TempDir& dir) {
             settings::Settings s;
             s.cBuffer = "C:\\NEW\\image.tmp";
             static_cast<void>(settings::SaveParam(dir.file("TILL1.ini"), s, Window()));
         },
         "Parameters saved.", "Parameters NOT saved!"},
        {"slide show list", [](const TempDir& dir) { saveList(dir, {"OLD1", "OLD2"}); },
         [](const TempDir& dir) { saveList(dir, {"NEW1", "NEW2", "NEW3"}); },
         std::string(settings::kSavedToFile), "NOT saved"},
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
         inventory::kReindexDone, "could not be written", /*fileByFile=*/true},
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
         "Error log was written to the file KRLERROR.LOG", "Unable to open error log file"},
    };

    for (const SavePath& p : paths) {
        SCOPED_TRACE(p.name);
        // What the save writes on a sound disk.
        TempDir sound;
        p.prepare(sound);
        p.save(sound);
        ASSERT_EQ(dialogs.boxes().back().text.rfind(p.saved, 0), 0u) << dialogs.boxes().back().text;
        const Files written = filesIn(sound);

        int n = 0;
        for (;; ++n) {
            SCOPED_TRACE("writes before the failure: " + std::to_string(n));
            ASSERT_LT(n, 500) << "the save never went through";
            TempDir dir;
            p.prepare(dir);
            const Files before = filesIn(dir);
            platform::failWritesAfter(n);
            p.save(dir);
            platform::stopFailingWrites();
            core::resetDisplayState();
            const std::string told = dialogs.boxes().back().text;
            const Files after = filesIn(dir);
            if (told.rfind(p.saved, 0) == 0) {
                EXPECT_EQ(after, written);
                break;
            }
            EXPECT_NE(told.find(p.notSaved), std::string::npos) << told;
            ASSERT_EQ(after.size(), before.size()) << "a file left beside the old ones";
            for (const auto& [name, bytes] : before) {
                SCOPED_TRACE(name);
                ASSERT_EQ(after.count(name), 1u);
                const bool newWhole = p.fileByFile && written.at(name) == after.at(name);
                EXPECT_TRUE(after.at(name) == bytes || newWhole) << "neither the old file nor the new";
            }
        }
        EXPECT_GT(n, 0) << "no write of this save failed";
    }
}

}  // namespace
