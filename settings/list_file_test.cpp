#include "settings/list_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <memory>
#include <mutex>

#include "core/display_state.h"
#include "errors/error.h"
#include "platform/beep.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/write_faults.h"
#include "tables/table.h"
#include "testsupport/hostile_files.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace settings {
namespace {

using Items = std::vector<std::string>;

std::string filled(const std::string& s) {
    std::string v = s.substr(0, 60);
    v.resize(60, ' ');
    return v;
}

Items filledAll(const Items& items) {
    Items out;
    for (const auto& i : items) out.push_back(filled(i));
    return out;
}

// Whether nobody holds `path` open: an exclusive open of it succeeds.
bool nobodyHolds(const std::string& path) {
    std::unique_ptr<platform::File> file;
    return platform::openFile(path, {platform::Access::ReadOnly, platform::Share::Exclusive,
                                     platform::Disposition::Existing},
                              &file)
        .isOk();
}

class ListFileTest : public ::testing::Test, platform::Beeper {
protected:
    void SetUp() override {
        core::resetDisplayState();
        m_oldBeeper = platform::setBeeper(this);
        m_oldHandler = errors::setHandler([this](errors::Error& e) {
            std::lock_guard lock(m_errorsMutex);
            raised.push_back(e);
            return errors::Action::Default;
        });
        cListFile = dir.file("TILL1.dbf");
    }
    void TearDown() override {
        platform::setBeeper(m_oldBeeper);
        errors::setHandler(m_oldHandler);
        core::resetDisplayState();
    }
    void beep(int hz, int ticks) override { beeps.push_back({hz, ticks}); }

    void save(const Items& items) {
        MemoryListBox list(items);
        SaveList(
            list, cListFile, [this] { ++releases; },
            [this](int h) {
                pauses.push_back(h);
                if (duringPause) duringPause();
            });
    }
    // The records of the table as the engine reads them.
    Items records() {
        Items out;
        std::unique_ptr<tables::Table> table;
        EXPECT_TRUE(tables::Table::open(cListFile, true, true, &table).isOk());
        if (!table) return out;
        std::string value;
        for (platform::Status st = table->first(); st.isOk() && !table->eof(); st = table->next()) {
            EXPECT_TRUE(table->getText("code", &value).isOk());
            out.push_back(value);
        }
        return out;
    }
    Items read() {
        MemoryListBox list;
        ReadList(list, cListFile);
        return list.items();
    }
    Items messages() const {
        Items out;
        for (const auto& b : dialogs.boxes()) out.push_back(b.text);
        return out;
    }
    // The files in the list's folder.
    int filesBeside() const {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++n;
        return n;
    }
    bool leftoverTemp() const { return filesBeside() > (std::filesystem::exists(cListFile) ? 1 : 0); }

    testsupport::TempDir dir;
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope{&dialogs};
    std::string cListFile;
    std::vector<std::pair<int, int>> beeps;
    std::vector<int> pauses;
    int releases = 0;  // asks to the display to let go of its tables
    std::function<void()> duringPause;
    std::mutex m_errorsMutex;
    std::vector<errors::Error> raised;

private:
    platform::Beeper* m_oldBeeper = nullptr;
    errors::Handler m_oldHandler;
};

const std::pair<int, int> kSaveBeep{300, 10};

TEST_F(ListFileTest, SavesReadsAndSavesAgainUnchanged) {
    save({"A", "B", "C"});
    EXPECT_EQ(messages(), Items{std::string("Saved to file: ") + cListFile});
    EXPECT_TRUE(beeps.empty());
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(releases, 1) << "the display lets go of its tables first";
    EXPECT_TRUE(core::StopDisplay()) << "the save leaves the display suspended";
    EXPECT_FALSE(leftoverTemp());
    std::unique_ptr<tables::Table> table;
    ASSERT_TRUE(tables::Table::open(cListFile, true, true, &table).isOk());
    const auto fields = table->structure();
    table.reset();
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].name, "CODE");
    EXPECT_EQ(fields[0].type, 'C');
    EXPECT_EQ(fields[0].length, 60);
    EXPECT_EQ(records(), filledAll({"A", "B", "C"}));

    Items back = read();
    EXPECT_EQ(back, filledAll({"A", "B", "C"})) << "items carry the blank filling";
    EXPECT_TRUE(nobodyHolds(cListFile));
    save(back);
    EXPECT_EQ(records(), filledAll({"A", "B", "C"}));
    EXPECT_TRUE(raised.empty());
}

TEST_F(ListFileTest, EntriesAreFilledToTheField) {
    const Items items{std::string(60, 'y'), "", "images\\ring.jpg", "caf\xE9", "   ",
                      "z" + std::string(80, ' ')};  // blanks beyond the field are its filling
    save(items);
    EXPECT_EQ(records(), filledAll(items));
    EXPECT_EQ(messages(), Items{std::string("Saved to file: ") + cListFile});
}

// An entry the field cannot hold whole refuses the save before anything is
// touched; it is never cut.
TEST_F(ListFileTest, EntryLongerThanTheFieldRefusesTheSave) {
    save({"OLD1"});
    const std::string before = dir.read("TILL1.dbf");
    for (const std::string& entry : {std::string(61, 'x'), "images\\" + std::string(70, 'r') + ".jpg",
                                     std::string(59, 'a') + " b"}) {
        SCOPED_TRACE(entry);
        core::resetDisplayState();
        beeps.clear();
        pauses.clear();
        save({"NEW1", entry});
        EXPECT_EQ(messages().back(),
                  "This entry is longer than the 60 characters a slide show list entry holds:"
                  "\r\n\r\n" + entry + "\r\n\r\nThe new list is NOT saved.");
        EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{kSaveBeep}));
        EXPECT_FALSE(core::StopDisplay()) << "the display goes on";
        EXPECT_TRUE(pauses.empty());
        EXPECT_EQ(releases, 1) << "only the first save";
        EXPECT_EQ(dir.read("TILL1.dbf"), before);
        EXPECT_FALSE(leftoverTemp());
    }
}

TEST_F(ListFileTest, EmptyListTouchesNothing) {
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "with a saved list" : "without a list");
        if (existing) save({"A"});
        core::resetDisplayState();
        const std::string before = existing ? dir.read("TILL1.dbf") : "";
        pauses.clear();
        const auto boxes = dialogs.boxes().size();
        save({});
        EXPECT_EQ(dialogs.boxes().size(), boxes + 1);
        EXPECT_EQ(dialogs.boxes().back().text, "Nothing to save!!");
        EXPECT_FALSE(core::StopDisplay());
        EXPECT_TRUE(pauses.empty());
        EXPECT_EQ(std::filesystem::exists(cListFile), existing);
        if (existing) {
            EXPECT_EQ(dir.read("TILL1.dbf"), before);
        }
    }
    EXPECT_TRUE(beeps.empty());
}

TEST_F(ListFileTest, FailedCreateKeepsTheOldList) {
    save({"OLD1", "OLD2"});
    const std::string before = dir.read("TILL1.dbf");
    // A full disk: the create fails, as root too.
    core::resetDisplayState();
    platform::failWritesAfter(0);
    save({"NEW1", "NEW2", "NEW3"});
    platform::stopFailingWrites();
    EXPECT_EQ(messages().back(), "Cannot create list file!\r\n\r\nThe new list is NOT saved.");
    EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{kSaveBeep}));
    EXPECT_TRUE(core::StopDisplay());
    ASSERT_FALSE(raised.empty()) << "the engine's own error reaches the handler";
    EXPECT_EQ(raised[0].genCode, errors::kGenCreate);
    EXPECT_EQ(dir.read("TILL1.dbf"), before);
    EXPECT_EQ(read(), filledAll({"OLD1", "OLD2"}));
    EXPECT_EQ(filesBeside(), 1) << "nothing left beside the list";
}

TEST_F(ListFileTest, NoListYetAndCreateFails) {
    platform::failWritesAfter(0);
    save({"NEW1"});
    platform::stopFailingWrites();
    EXPECT_EQ(messages().back(), "Cannot create list file!\r\n\r\nThe new list is NOT saved.");
    EXPECT_FALSE(std::filesystem::exists(cListFile));
    EXPECT_TRUE(read().empty());
}

const char* const kFourLines =
    "Cannot delete old list!  It could be active by another user.\r\n"
    "or it could be another instance of this program running\r\n"
    "on this computer. Check that all other windows are closed,\r\n"
    "then try again.   The new list is NOT saved yet.";

#ifndef _WIN32  // another process holding the list: fork
TEST_F(ListFileTest, ListHeldByAnotherProgramIsKept) {
    save({"OLD1", "OLD2"});
    const std::string before = dir.read("TILL1.dbf");
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another copy of the program with the list open for its slide show.
        close(ready[0]);
        close(release[1]);
        std::unique_ptr<platform::File> held;
        platform::Status st = platform::openFile(
            cListFile, {platform::Access::ReadOnly, platform::Share::Shared, platform::Disposition::Existing},
            &held);
        char c = st.isOk() ? '1' : '0';
        if (::write(ready[1], &c, 1) != 1) _exit(2);
        char b;
        while (::read(release[0], &b, 1) > 0) {
        }
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');

    pauses.clear();
    save({"NEW1"});
    EXPECT_EQ(messages().back(), kFourLines);
    EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{kSaveBeep}));
    EXPECT_EQ(pauses, (std::vector<int>{100})) << "one retry a second later";
    EXPECT_EQ(dir.read("TILL1.dbf"), before);
    EXPECT_FALSE(leftoverTemp());
    EXPECT_TRUE(core::StopDisplay());

    close(release[1]);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    EXPECT_EQ(status, 0);
    save({"NEW1"});
    EXPECT_EQ(records(), filledAll({"NEW1"})) << "saves again once the other program lets go";
}
#endif

TEST_F(ListFileTest, HolderThatLetsGoDuringTheRetryIsWaitedFor) {
    save({"OLD1"});
    std::unique_ptr<tables::Table> holder;  // another display's slide show, say
    ASSERT_TRUE(tables::Table::open(cListFile, true, true, &holder).isOk());
    duringPause = [&] { holder.reset(); };
    pauses.clear();
    save({"NEW1", "NEW2"});
    EXPECT_EQ(pauses, (std::vector<int>{100}));
    EXPECT_EQ(messages().back(), std::string("Saved to file: ") + cListFile);
    EXPECT_TRUE(beeps.empty());
    EXPECT_EQ(records(), filledAll({"NEW1", "NEW2"}));
}

// A damaged list: the user either lets the read fail (Default) or declines
// to end the program (the error unwinds). Either way the list stays as it
// was, the table is closed and nothing escapes; the unwound read says so.
TEST_F(ListFileTest, DamagedListLeavesTheListAsItWas) {
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        bool unwind;
    };
    const auto wrongVersion = [](std::string& bytes) { bytes[0] = '\x02'; };
    const auto headerPastTheEnd = [](std::string& bytes) {
        bytes[8] = '\xff';
        bytes[9] = '\x7f';
    };
    const Case cases[] = {
        {"wrong version byte, unwound", wrongVersion, true},
        {"wrong version byte, defaulted", wrongVersion, false},
        {"header past the end, unwound", headerPastTheEnd, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        save({"A", "B", "C"});
        std::string bytes;
        ASSERT_TRUE(platform::readFile(cListFile, &bytes, 1 << 20).isOk());
        c.damage(bytes);
        ASSERT_TRUE(platform::writeFileAtomic(cListFile, bytes).isOk());
        const int boxesBefore = int(dialogs.boxes().size());
        raised.clear();
        errors::Handler previous = errors::setHandler([&](errors::Error& e) -> errors::Action {
            raised.push_back(e);
            if (c.unwind) throw errors::Unwind(e);
            return errors::Action::Default;
        });
        MemoryListBox list(Items{"kept"});
        EXPECT_NO_THROW(ReadList(list, cListFile));
        errors::setHandler(previous);
        EXPECT_FALSE(raised.empty());
        EXPECT_EQ(list.items(), Items{"kept"});
        EXPECT_TRUE(nobodyHolds(cListFile)) << "the table is closed";
        Items shown = messages();
        shown.erase(shown.begin(), shown.begin() + boxesBefore);
        if (c.unwind) {
            EXPECT_EQ(shown, Items{kListUnreadable + cListFile + kListUnreadableEnd});
        } else {
            EXPECT_TRUE(shown.empty());
        }
    }
}

#ifndef _WIN32
// A list table that is not a regular file is no list: nothing is read, no
// open waits, and no error is raised.
TEST_F(ListFileTest, HostileListIsNoList) {
    for (const auto& k : testsupport::kHostileKinds) {
        testsupport::TempDir shop;
        cListFile = shop.file("TILL1.dbf");
        testsupport::makeHostile(k.kind, cListFile);
        Items items = {"x"};
        std::string slide = "x";
        long record = 1;
        EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2), [&] {
            items = read();
            slide = nextSlide(cListFile, record);
        }, cListFile)) << k.name;
        EXPECT_TRUE(items.empty()) << k.name;
        EXPECT_EQ(slide, "") << k.name;
        // A huge file of zeros is a regular file: the engine judges it.
        if (k.kind != testsupport::Hostile::Huge) {
            EXPECT_TRUE(raised.empty()) << k.name;
        }
        raised.clear();
    }
}
#endif

TEST_F(ListFileTest, NextSlideWrapsAndRestarts) {
    long record = 4;
    std::string next = "kept";
    EXPECT_EQ(nextSlide(cListFile, record, &next), "") << "no list yet";
    EXPECT_EQ(record, 4);
    EXPECT_EQ(next, "kept");
    save({"A", "B", "C"});
    struct Step {
        long from;
        const char* entry;
        long to;
        const char* next;
    };
    const Step steps[] = {{1, "A", 2, "B"}, {2, "B", 3, "C"}, {3, "C", 1, "A"},
                          {7, "", 1, "A"},  {0, "", 1, "A"}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.from);
        record = s.from;
        EXPECT_EQ(nextSlide(cListFile, record, &next), filled(s.entry));
        EXPECT_EQ(record, s.to);
        EXPECT_EQ(next, filled(s.next));
    }
    EXPECT_TRUE(nobodyHolds(cListFile)) << "never held between turns";
}

}  // namespace
}  // namespace settings
