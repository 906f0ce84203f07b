// Every save of the program on a disk that fails: at its first write, then at
// its second, and so on until the save goes through. Whatever write fails,
// the files there before stay byte for byte, nothing is left beside them,
// and the user is told that nothing was saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "app/save_paths_testing.h"
#include "platform/write_faults.h"

namespace {

using app::test::SavePath;
using app::test::savePaths;
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

TEST(SaveFaultsTest, EverySaveFailedAtEachWriteKeepsTheOldFilesAndSaysSo) {
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope(&dialogs);
    // Table errors let the operation fail, as the error box's Default does.
    errors::test::HandlerScope handler([](errors::Error&) { return errors::Action::Default; });

    for (const SavePath& p : savePaths(dialogs)) {
        SCOPED_TRACE(p.name);
        // What the save writes on a sound disk.
        TempDir sound;
        ASSERT_NO_FATAL_FAILURE(app::test::saveOnASoundDisk(p, sound, dialogs));
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
