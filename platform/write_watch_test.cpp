#include "platform/write_watch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "testsupport/temp_dir.h"

namespace {

using platform::WriteWatch;

#ifndef _WIN32
// What a till does to its code file, and what the watch says then.
TEST(WriteWatchTest, TellsAWriterThatStillWritesFromOneThatClosed) {
    testsupport::TempDir dir;
    const std::string file = dir.file("till1/image.tmp");
    std::filesystem::create_directories(dir.path() / "till1");
    WriteWatch watch;
    ASSERT_TRUE(watch.watch(file));
    ASSERT_GE(watch.descriptor(), 0);
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Nothing);

    std::FILE* till = std::fopen(file.c_str(), "wb");
    ASSERT_NE(till, nullptr);
    std::fputs("CH-", till);
    std::fflush(till);
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Written) << "open, half written";
    std::fputs("-123", till);
    std::fclose(till);
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Closed);

    dir.write("till1/other.tmp", "x");  // another file of the folder says nothing
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Nothing);
    dir.write("till1/image.new", "RG--001");
    std::filesystem::rename(dir.path() / "till1/image.new", file);  // a whole file put in place
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Closed);

    // The folder renamed away and made again is another folder: the watch
    // follows the new one only when asked to.
    const auto before = platform::identityOf(dir.file("till1"));
    std::filesystem::rename(dir.path() / "till1", dir.path() / "old");
    std::filesystem::create_directories(dir.path() / "till1");
    EXPECT_NE(platform::identityOf(dir.file("till1")), before);
    ASSERT_TRUE(watch.watch(file));
    dir.write("till1/image.tmp", "AB12345");
    EXPECT_EQ(watch.take(), WriteWatch::Happened::Closed);
    EXPECT_EQ(platform::openForWriting(file), std::nullopt) << "POSIX cannot tell";
}
#endif

TEST(WriteWatchTest, IdentityOfAFolder) {
    testsupport::TempDir dir;
    EXPECT_EQ(platform::identityOf(dir.file("missing")), std::nullopt);
    EXPECT_NE(platform::identityOf(dir.str()), std::nullopt);
    std::filesystem::create_directories(dir.path() / "till1");
    const auto before = platform::identityOf(dir.file("till1"));
    EXPECT_NE(before, std::nullopt);
    std::filesystem::rename(dir.path() / "till1", dir.path() / "old");
    std::filesystem::create_directories(dir.path() / "till1");
    EXPECT_EQ(platform::identityOf(dir.file("old")), before);
    EXPECT_NE(platform::identityOf(dir.file("till1")), before) << "renamed away and made again";
}

}  // namespace
