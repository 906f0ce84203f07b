#include "platform/file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "testsupport/temp_dir.h"

namespace {

using platform::Access;
using platform::Disposition;
using platform::File;
using platform::OpenMode;
using platform::Share;
using platform::Status;

Status openAs(const std::string& path, Share share, Access access,
              std::unique_ptr<File>* f, Disposition d = Disposition::Existing) {
    return platform::openFile(path, OpenMode{access, share, d}, f);
}

TEST(FileTest, SharingConflictsBetweenOpensOfOneProcess) {
    testsupport::TempDir dir;
    dir.write("t.dbf", "data");
    std::string path = dir.file("t.dbf");
    struct Case {
        Share first, second;
        Access secondAccess;
        bool allowed;
    } cases[] = {
        {Share::Shared, Share::Shared, Access::ReadOnly, true},
        {Share::Shared, Share::Shared, Access::ReadWrite, true},
        {Share::Shared, Share::Exclusive, Access::ReadWrite, false},
        {Share::Exclusive, Share::Shared, Access::ReadOnly, false},
        {Share::Exclusive, Share::Exclusive, Access::ReadWrite, false},
    };
    for (const auto& c : cases) {
        std::unique_ptr<File> a, b;
        ASSERT_TRUE(openAs(path, c.first, Access::ReadWrite, &a).isOk());
        Status st = openAs(path, c.second, c.secondAccess, &b);
        EXPECT_EQ(st.isOk(), c.allowed);
        if (!c.allowed) {
            EXPECT_EQ(st.code(), Status::Code::Locked);
            EXPECT_EQ(st.osCode(), 32);
            EXPECT_FALSE(b);
        }
    }
    // Every handle above is closed again: an exclusive open now succeeds.
    std::unique_ptr<File> c;
    EXPECT_TRUE(openAs(path, Share::Exclusive, Access::ReadWrite, &c).isOk());
}

#ifndef _WIN32
// Another process holding the file open shared: our exclusive open is refused
// as "in use" (32), a shared one works; once it has gone, exclusive works.
TEST(FileTest, SharingBetweenProcesses) {
    testsupport::TempDir dir;
    dir.write("t.dbf", "data");
    std::string path = dir.file("t.dbf");
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t pid = fork();
    if (pid == 0) {
        std::unique_ptr<File> f;
        char c = openAs(path, Share::Shared, Access::ReadOnly, &f).isOk() ? 'y' : 'n';
        if (write(ready[1], &c, 1) != 1 || read(done[0], &c, 1) != 1) _exit(1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    std::unique_ptr<File> mine;
    Status st = openAs(path, Share::Exclusive, Access::ReadWrite, &mine);
    EXPECT_EQ(st.code(), Status::Code::Locked);
    EXPECT_EQ(st.osCode(), 32);
    EXPECT_TRUE(openAs(path, Share::Shared, Access::ReadWrite, &mine).isOk());
    mine.reset();
    ASSERT_EQ(write(done[1], "x", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(openAs(path, Share::Exclusive, Access::ReadWrite, &mine).isOk());
    for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}
#endif

TEST(FileTest, ReplaceRefusedWhileOpenLeavesTheFileAlone) {
    testsupport::TempDir dir;
    dir.write("t.dbf", "keep me");
    std::unique_ptr<File> a, b;
    ASSERT_TRUE(openAs(dir.file("t.dbf"), Share::Shared, Access::ReadOnly, &a).isOk());
    Status st = openAs(dir.file("t.dbf"), Share::Exclusive, Access::ReadWrite, &b,
                       Disposition::Replace);
    EXPECT_EQ(st.code(), Status::Code::Locked);
    EXPECT_EQ(dir.read("t.dbf"), "keep me");
}

TEST(FileTest, ReadWriteAtOffsetsAndShortReads) {
    testsupport::TempDir dir;
    std::unique_ptr<File> f;
    ASSERT_TRUE(openAs(dir.file("n.ntx"), Share::Exclusive, Access::ReadWrite, &f,
                       Disposition::CreateNew)
                    .isOk());
    ASSERT_TRUE(f->writeAt(4, "abcd", 4).isOk());
    std::uint64_t size = 0;
    ASSERT_TRUE(f->size(&size).isOk());
    EXPECT_EQ(size, 8u);
    char buf[16] = {};
    std::size_t got = 0;
    ASSERT_TRUE(f->readAt(6, buf, sizeof buf, &got).isOk());
    EXPECT_EQ(std::string(buf, got), "cd");
    std::unique_ptr<File> again;
    EXPECT_EQ(openAs(dir.file("n.ntx"), Share::Shared, Access::ReadOnly, &again,
                     Disposition::CreateNew)
                  .code(),
              Status::Code::IoError);
    EXPECT_EQ(openAs(dir.file("none.ntx"), Share::Shared, Access::ReadOnly, &again).code(),
              Status::Code::NotFound);
}

TEST(FileTest, RangeLocksConflictBetweenHandles) {
    testsupport::TempDir dir;
    dir.write("t.ntx", "x");
    std::unique_ptr<File> a, b, r;
    ASSERT_TRUE(openAs(dir.file("t.ntx"), Share::Shared, Access::ReadWrite, &a).isOk());
    ASSERT_TRUE(openAs(dir.file("t.ntx"), Share::Shared, Access::ReadWrite, &b).isOk());
    ASSERT_TRUE(openAs(dir.file("t.ntx"), Share::Shared, Access::ReadOnly, &r).isOk());
    const std::uint64_t kIndexLock = 1000000000;
    ASSERT_TRUE(a->lock(kIndexLock, 1, true, 0).isOk());
    Status st = b->lock(kIndexLock, 1, true, 20);
    EXPECT_EQ(st.code(), Status::Code::Locked);
    // A read-only handle's lock still waits for a writer's lock...
    EXPECT_EQ(r->lock(kIndexLock, 1, true, 0).code(), Status::Code::Locked);
    EXPECT_TRUE(b->lock(kIndexLock + 1, 1, true, 0).isOk());  // another record
    ASSERT_TRUE(a->unlock(kIndexLock, 1).isOk());
    EXPECT_TRUE(b->lock(kIndexLock, 1, true, 0).isOk());
    ASSERT_TRUE(b->unlock(kIndexLock, 1).isOk());
    // ...and keeps writers out while it is held.
    ASSERT_TRUE(r->lock(kIndexLock, 1, true, 0).isOk());
    EXPECT_EQ(a->lock(kIndexLock, 1, true, 0).code(), Status::Code::Locked);
}

}  // namespace
