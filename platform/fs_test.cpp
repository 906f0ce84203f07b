#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file.h"
#include "platform/os.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace {

using platform::Status;

TEST(FsTest, WholeFileRoundTripKeepsEveryByte) {
    testsupport::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += char(i);
    bytes += "\r\n\x1a";
    std::string path = dir.file("all.bin");
    ASSERT_TRUE(platform::writeNewFile(path, bytes).isOk());
    std::string back;
    ASSERT_TRUE(platform::readFile(path, &back, 1 << 20).isOk());
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(platform::fileExists(path));
}

TEST(FsTest, MissingFileIsNotFound) {
    testsupport::TempDir dir;
    std::string back = "old";
    Status st = platform::readFile(dir.file("none.txt"), &back, 100);
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

#ifdef _WIN32
// A handle held by another program, with the given sharing mode.
class OpenHandle {
public:
    OpenHandle(const std::string& path, DWORD share)
        : m_h(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~OpenHandle() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    bool ok() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

TEST(FsTest, FailedAtomicWriteKeepsTheOldFile) {
    // The point-of-sale has the file open and lets nobody replace it.
    testsupport::TempDir dir;
    dir.write("p.ini", "old");
    {
        OpenHandle other(dir.file("p.ini"), FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(other.ok());
        EXPECT_FALSE(platform::writeFileAtomic(dir.file("p.ini"), "new").isOk());
    }
    EXPECT_EQ(dir.read("p.ini"), "old");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);
}

TEST(FsTest, SharingModesOfOtherPrograms) {
    testsupport::TempDir dir;
    dir.write("image.tmp", "1234567");
    std::string path = dir.file("image.tmp");
    std::string back;
    {
        // Another reader that lets others write: we read, but cannot rewrite.
        OpenHandle reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.ok());
        EXPECT_TRUE(platform::readFile(path, &back, 1 << 20).isOk());
        EXPECT_EQ(back, "1234567");
    }
    {
        OpenHandle exclusive(path, 0);
        ASSERT_TRUE(exclusive.ok());
        platform::Status st = platform::readFile(path, &back, 1 << 20);
        EXPECT_EQ(st.code(), Status::Code::Locked) << st.message();
        EXPECT_EQ(st.osCode(), ERROR_SHARING_VIOLATION);
    }
    ASSERT_TRUE(platform::writeFileAtomic(path, "7654321").isOk());
    ASSERT_TRUE(platform::readFile(path, &back, 1 << 20).isOk());
    EXPECT_EQ(back, "7654321");
}

TEST(FsTest, CurrentDriveAndDirectory) {
    auto drive = platform::currentDrive();
    ASSERT_TRUE(drive.has_value());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(*drive)));
    std::string whole = std::filesystem::current_path().string();
    EXPECT_EQ(std::string(1, *drive) + ":\\" + platform::currentDirectoryWithoutDrive(), whole);
}
#else
TEST(FsTest, CurrentDriveAndDirectory) {
    EXPECT_FALSE(platform::currentDrive().has_value());
    EXPECT_EQ("/" + platform::currentDirectoryWithoutDrive(),
              std::filesystem::current_path().string());
}
#endif

TEST(FsTest, CurrentDirectoryHasNoLeadingSeparator) {
    std::string dir = platform::currentDirectoryWithoutDrive();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.front(), '/');
    EXPECT_NE(dir.front(), '\\');
}

#ifndef _WIN32
// Only regular files are files: everything else is absent (a folder stays a
// folder), no open of it blocks, and no read goes beyond its limit.
TEST(FsTest, HostileFilesAreRefusedWithoutBlocking) {
    using testsupport::Hostile;
    for (const auto& k : testsupport::kHostileKinds) {
        testsupport::TempDir dir;
        const std::string path = dir.file("image.tmp");
        testsupport::makeHostile(k.kind, path);
        const bool regular = k.kind == Hostile::Huge;
        EXPECT_EQ(platform::isFile(path), regular) << k.name;
        EXPECT_EQ(platform::fileExists(path), regular || k.kind == Hostile::Folder) << k.name;

        Status read, opened;
        std::string content;
        EXPECT_TRUE(testsupport::finishesWithin(std::chrono::seconds(2), [&] {
            read = platform::readFile(path, &content, 4096);
            std::unique_ptr<platform::File> file;
            opened = platform::openFile(path, {}, &file);
        }, path)) << k.name;
        EXPECT_TRUE(content.empty()) << k.name;
        EXPECT_EQ(read.code(), regular                    ? Status::Code::TooLarge
                               : k.kind == Hostile::Folder ? Status::Code::IoError
                                                           : Status::Code::NotFound)
            << k.name << ": " << read.message();
        EXPECT_EQ(opened.isOk(), regular) << k.name << ": " << opened.message();
    }
}

TEST(FsTest, ReadStopsAtTheLimitAndLinksToFilesAreFollowed) {
    testsupport::TempDir dir;
    dir.write("code.txt", "1234567");
    std::filesystem::create_symlink(dir.file("code.txt"), dir.file("link.txt"));
    std::string content;
    EXPECT_TRUE(platform::readFile(dir.file("link.txt"), &content, 7).isOk());
    EXPECT_EQ(content, "1234567");
    Status st = platform::readFile(dir.file("code.txt"), &content, 6);
    EXPECT_EQ(st.code(), Status::Code::TooLarge);
    EXPECT_NE(st.message().find("larger than 6 bytes"), std::string::npos) << st.message();
    EXPECT_EQ(content, "");
    // A link is refused only where the caller asks for it.
    std::unique_ptr<platform::File> file;
    platform::OpenMode noLinks{};
    noLinks.followLinks = false;
    EXPECT_TRUE(platform::openFile(dir.file("code.txt"), noLinks, &file).isOk());
    EXPECT_FALSE(platform::openFile(dir.file("link.txt"), noLinks, &file).isOk());
}
#endif

TEST(FsTest, ErrorsCarryTheSystemsText) {
    testsupport::TempDir dir;
    std::string back;
    Status st = platform::readFile(dir.file("none.txt"), &back, 100);
    ASSERT_NE(st.osCode(), 0);
    std::string text = platform::osErrorText(st.osCode());
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_NE(st.message().find(text), std::string::npos) << st.message();
}

// Windows has its own words for the sharing violation (wine words them
// differently); elsewhere errno 32 is a broken pipe, so the text is fixed.
TEST(FsTest, SharingViolationHasItsOwnText) {
    const std::string text = platform::sharingViolationText();
    if (platform::kWindows) {
        EXPECT_EQ(text, platform::osErrorText(32));
    } else {
        EXPECT_NE(text.find("being used by another process"), std::string::npos) << text;
        EXPECT_NE(text, platform::osErrorText(32));
    }
}

}  // namespace
