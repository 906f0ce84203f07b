// Every save of the program in a folder where someone else may write: a
// symbolic link, a folder or a FIFO planted at the name the save is about to
// create, at the fixed names older versions wrote to ("istkcode.ntx.tmp"), or
// at the files it replaces. Nothing is ever written through a link (its target
// stays byte for byte), no save waits on a FIFO, and the save either goes
// through with the very bytes it writes in a clean folder or tells the user
// that it did not. POSIX: links and FIFOs as a hostile user makes them.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "app/save_paths_testing.h"
#include "platform/temporary_file.h"
#include "testsupport/hostile_files.h"

namespace {

namespace fs = std::filesystem;
using app::test::SavePath;
using testsupport::TempDir;

// What is in a folder: each regular file's bytes, each other entry its kind;
// never opened, so that a FIFO cannot hold the test.
using Entries = std::map<std::string, std::string>;

// The entry `name` of `entries`, "<missing>" when there is none.
std::string entry(const Entries& entries, const std::string& name) {
    auto it = entries.find(name);
    return it == entries.end() ? "<missing>" : it->second;
}

Entries entriesIn(const TempDir& dir) {
    Entries out;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        const fs::file_status st = fs::symlink_status(e.path());
        if (fs::is_symlink(st)) {
            out[name] = "<link to " + fs::read_symlink(e.path()).string() + ">";
        } else if (fs::is_directory(st)) {
            out[name] = "<folder>";
        } else if (fs::is_fifo(st)) {
            out[name] = "<FIFO>";
        } else {
            out[name] = dir.read(name);
        }
    }
    return out;
}

enum class Plant { Link, Folder, Fifo };
enum class Place { NextName, OldFixedName, FinalName };

struct PlantKind {
    Plant plant;
    const char* name;
};
struct PlaceKind {
    Place place;
    const char* name;
};

constexpr PlantKind kPlants[] = {
    {Plant::Link, "a symbolic link to another file"},
    {Plant::Folder, "a folder"},
    {Plant::Fifo, "a FIFO"},
};
constexpr PlaceKind kPlaces[] = {
    {Place::NextName, "at the name the save creates next"},
    {Place::OldFixedName, "at the fixed temporary name of older versions"},
    {Place::FinalName, "at the file the save replaces"},
};

// The random part of the first name the saves below take.
const char* const kTakenPart = "0123456789abcdef";

TEST(PlantedNamesTest, NoSaveWritesThroughALinkOrWaitsOnAFifo) {
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope(&dialogs);
    errors::test::HandlerScope handler([](errors::Error&) { return errors::Action::Default; });
    const std::string kSecret = "not the program's to write";

    for (const SavePath& p : app::test::savePaths(dialogs)) {
        SCOPED_TRACE(p.name);
        TempDir sound;
        ASSERT_NO_FATAL_FAILURE(app::test::saveOnASoundDisk(p, sound, dialogs));
        const Entries written = entriesIn(sound);

        for (const PlaceKind& place : kPlaces) {
            for (const PlantKind& plant : kPlants) {
                SCOPED_TRACE(std::string(plant.name) + " " + place.name);
                TempDir dir, elsewhere;
                p.prepare(dir);
                const std::string target = elsewhere.file("secret");
                elsewhere.write("secret", kSecret);
                std::vector<std::string> planted;
                if (place.place == Place::NextName) {
                    planted.push_back(p.writes.front() + "." + kTakenPart + ".tmp");
                } else {
                    for (const std::string& name : p.writes) {
                        planted.push_back(place.place == Place::FinalName ? name : name + ".tmp");
                    }
                }
                for (const std::string& name : planted) {
                    fs::remove(dir.file(name));
                    if (plant.plant == Plant::Link) fs::create_symlink(target, dir.file(name));
                    if (plant.plant == Plant::Folder) fs::create_directory(dir.file(name));
                    if (plant.plant == Plant::Fifo) {
                        ASSERT_EQ(::mkfifo(dir.file(name).c_str(), 0666), 0);
                    }
                }
                const Entries before = entriesIn(dir);

                platform::useTemporaryNamesForTests({kTakenPart});
                EXPECT_TRUE(testsupport::finishesWithin(
                    std::chrono::seconds(10), [&] { p.save(dir); }, dir.file(planted.front())))
                    << "the save waited on a FIFO";
                platform::useTemporaryNamesForTests({});
                core::resetDisplayState();
                const std::string told = dialogs.boxes().back().text;
                const Entries after = entriesIn(dir);

                EXPECT_EQ(elsewhere.read("secret"), kSecret) << "written through the link";
                const bool saved = told.rfind(p.saved, 0) == 0;
                if (place.place != Place::FinalName) {
                    // A name the save does not need: it writes beside it.
                    EXPECT_TRUE(saved) << told;
                    for (const auto& [name, bytes] : written) EXPECT_EQ(entry(after, name), bytes) << name;
                    for (const std::string& name : planted) {
                        EXPECT_EQ(entry(after, name), entry(before, name)) << name << " is not the save's";
                    }
                    EXPECT_EQ(after.size(), written.size() + planted.size()) << "a file left beside";
                } else if (p.passesOver) {
                    // The next name takes the log; what is in the way stays.
                    EXPECT_EQ(told, "Error log was written to the file KRLERROR.001");
                    EXPECT_EQ(entry(after, "KRLERROR.001"), entry(written, "KRLERROR.LOG"));
                    EXPECT_EQ(entry(after, "KRLERROR.LOG"), entry(before, "KRLERROR.LOG"));
                } else if (plant.plant == Plant::Folder) {
                    // A folder is never removed: the save is refused, and says so.
                    EXPECT_FALSE(saved) << told;
                    EXPECT_NE(told.find(p.notSaved), std::string::npos) << told;
                    EXPECT_EQ(after.size(), before.size()) << "a file left beside";
                    for (const std::string& name : planted) EXPECT_EQ(entry(after, name), "<folder>");
                } else {
                    // A link or a FIFO in the way is replaced as a name.
                    EXPECT_TRUE(saved) << told;
                    EXPECT_EQ(after, written);
                }
            }
        }
    }
}

}  // namespace

#endif  // _WIN32
