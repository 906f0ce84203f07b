#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testsupport/temp_dir.h"

namespace {

using platform::Status;

TEST(FsTest, WholeFileRoundTripKeepsEveryByte) {
    testsupport::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += char(i);
    bytes += "\r\n\x1a";
    std::string path = dir.file("all.bin");
    ASSERT_TRUE(platform::writeFile(path, bytes).isOk());
    std::string back;
    ASSERT_TRUE(platform::readFile(path, &back).isOk());
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(platform::fileExists(path));
}

TEST(FsTest, MissingFileIsNotFound) {
    testsupport::TempDir dir;
    std::string back = "old";
    Status st = platform::readFile(dir.file("none.txt"), &back);
    EXPECT_EQ(st.code(), Status::Code::NotFound);
    EXPECT_EQ(back, "");
    EXPECT_FALSE(platform::fileExists(dir.file("none.txt")));
    EXPECT_EQ(platform::removeFile(dir.file("none.txt")).code(), Status::Code::NotFound);
}

TEST(FsTest, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    testsupport::TempDir dir;
    std::string path = dir.file("p.ini");
    ASSERT_TRUE(platform::writeFileAtomic(path, std::string(1000, 'a')).isOk());
    ASSERT_TRUE(platform::writeFileAtomic(path, "short").isOk());
    EXPECT_EQ(dir.read("p.ini"), "short");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);
}

#ifndef _WIN32
TEST(FsTest, FailedAtomicWriteKeepsTheOldFile) {
    if (::geteuid() == 0) {
        // root writes into read-only folders; check the failure with a missing folder instead
        testsupport::TempDir dir;
        EXPECT_FALSE(platform::writeFileAtomic(dir.file("no/such/p.ini"), "x").isOk());
        return;
    }
    testsupport::TempDir dir;
    dir.write("ro/p.ini", "old");
    ::chmod(dir.file("ro").c_str(), 0555);
    EXPECT_FALSE(platform::writeFileAtomic(dir.file("ro/p.ini"), "new").isOk());
    ::chmod(dir.file("ro").c_str(), 0755);
    EXPECT_EQ(dir.read("ro/p.ini"), "old");
}
#endif

TEST(FsTest, CurrentDirectoryHasNoLeadingSeparator) {
    std::string dir = platform::currentDirectoryWithoutDrive();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.front(), '/');
    EXPECT_NE(dir.front(), '\\');
}

}  // namespace
