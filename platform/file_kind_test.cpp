// The faces the support check and the autostart entry stand on: what is at a
// name (a planted link seen as one) and whether a folder's changes are told.
#include "platform/file_kind.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/change_notice.h"
#include "testsupport/temp_dir.h"

namespace {

using platform::FileKind;

TEST(FileKindTest, NamesWhatStandsThereWithoutFollowingLinks) {
    testsupport::TempDir dir;
    dir.write("file.txt", "x");
    std::filesystem::create_directory(dir.path() / "sub");
    EXPECT_EQ(platform::fileKindAt(dir.file("file.txt")), FileKind::Regular);
    EXPECT_EQ(platform::fileKindAt(dir.file("sub")), FileKind::Folder);
    EXPECT_EQ(platform::fileKindAt(dir.file("none")), FileKind::Missing);
#ifndef _WIN32
    // Links to a file, to a folder and to nothing are all links.
    std::filesystem::create_symlink(dir.path() / "file.txt", dir.path() / "to-file");
    std::filesystem::create_symlink(dir.path() / "sub", dir.path() / "to-sub");
    std::filesystem::create_symlink(dir.path() / "gone", dir.path() / "dangling");
    for (const char* link : {"to-file", "to-sub", "dangling"}) {
        EXPECT_EQ(platform::fileKindAt(dir.file(link)), FileKind::Link) << link;
    }
#endif
}

TEST(ChangeNoticeTest, AFolderThatIsNotThereIsAnsweredForItsParent) {
    testsupport::TempDir dir;
    platform::ChangeNotice here, below;
    ASSERT_TRUE(platform::changeNotice(dir.str(), &here).isOk());
    ASSERT_TRUE(platform::changeNotice(dir.file("not/yet/there"), &below).isOk());
    EXPECT_FALSE(here.where.empty());
    EXPECT_EQ(below.notified, here.notified);
    EXPECT_EQ(below.where, here.where);
}

}  // namespace
