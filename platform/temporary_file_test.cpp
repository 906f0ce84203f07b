#include "platform/temporary_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <set>
#include <string>

#include "platform/fs.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::Status;

// The names a save writes before it renames: beside the file, and such that
// nobody can put something there in advance (not the process id, not a
// counter).
TEST(TemporaryFileTest, NamesCannotBeKnownBefore) {
    testsupport::TempDir dir;
    const std::string path = dir.file("TILL1.dbf");
    std::set<std::string> parts;
    for (int i = 0; i < 20; ++i) {
        std::unique_ptr<platform::TemporaryFile> temp;
        std::unique_ptr<platform::File> file;
        ASSERT_TRUE(platform::TemporaryFile::create(path, &temp, &file).isOk());
        const std::string name = temp->path();
        ASSERT_TRUE(name.starts_with(path + ".") && name.ends_with(".tmp")) << name;
        const std::string part = name.substr(path.size() + 1, name.size() - path.size() - 5);
        EXPECT_EQ(part.size(), 16u) << name;
        EXPECT_EQ(part.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
#ifndef _WIN32
        EXPECT_EQ(part.find(std::to_string(::getpid())), std::string::npos) << name;
#endif
        parts.insert(part);
        EXPECT_TRUE(platform::isFile(name));
    }
    EXPECT_EQ(parts.size(), 20u);
    EXPECT_TRUE(fs::is_empty(dir.path())) << "each went with its object";
}

#ifndef _WIN32
// A new file is made new: whatever is at its name (a link, even to nowhere, a
// folder, a FIFO, a file) refuses it at once, and nothing is written through.
TEST(TemporaryFileTest, NewFilesAreNeverMadeThroughWhatIsThere) {
    for (const auto& k : testsupport::kHostileKinds) {
        SCOPED_TRACE(k.name);
        testsupport::TempDir dir;
        const std::string path = dir.file("picture.emf");
        testsupport::makeHostile(k.kind, path);
        Status st;
        EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2),
                                                [&] { st = platform::writeNewFile(path, "new"); }, path));
        EXPECT_FALSE(st.isOk());
        EXPECT_TRUE(platform::nameTaken(st)) << st.message();
    }
    testsupport::TempDir dir;
    dir.write("target", "kept");
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    fs::create_symlink(dir.file("target"), dir.file("link"));
    for (const char* name : {"dangling", "link"}) {
        EXPECT_TRUE(platform::nameTaken(platform::writeNewFile(dir.file(name), "new"))) << name;
    }
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    EXPECT_EQ(dir.read("target"), "kept");
}

// Others may swap files in a folder of another user that they may write to,
// unless its sticky bit keeps them from removing files not theirs.
TEST(TemporaryFileTest, FoldersOpenToOthers) {
    struct Case {
        const char* name;
        bool otherOwner;
        fs::perms perms;
        bool open;
    };
    const Case cases[] = {
        {"own folder, all may write", false, fs::perms::all, false},
        {"own folder, private", false, fs::perms::owner_all, false},
        {"another's, all may write", true, fs::perms::all, true},
        {"another's, the group may write", true, fs::perms::owner_all | fs::perms::group_all, true},
        {"another's, all may write, sticky", true, fs::perms::all | fs::perms::sticky_bit, false},
        {"another's, only its owner writes", true,
         fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read |
             fs::perms::group_exec | fs::perms::others_exec,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.otherOwner && ::geteuid() != 0) continue;  // only root can give a folder away
        testsupport::TempDir dir;
        const fs::path folder = dir.path() / "shop";
        fs::create_directory(folder);
        if (c.otherOwner) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        }
        fs::permissions(folder, c.perms);
        fs::create_directory_symlink(folder, dir.path() / "link");
        EXPECT_EQ(platform::folderOpenToOthers((folder / "probe.json").string()), c.open);
        EXPECT_EQ(platform::folderOpenToOthers((dir.path() / "link" / "probe.json").string()), c.open)
            << "through a link to the folder";
        fs::permissions(folder, fs::perms::owner_all);
    }
    EXPECT_FALSE(platform::folderOpenToOthers("/no/such/folder/probe.json"));
}
#endif

}  // namespace
