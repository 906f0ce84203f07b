#include "platform/path.h"

#include "platform/fs.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

#ifndef _WIN32
namespace {

using platform::toNative;

TEST(PathTest, SeparatorsAndDriveLetters) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\no-such-dir-xyz\\image.tmp", "/no-such-dir-xyz/image.tmp"},
        {"\\no-such-dir-xyz\\a\\", "/no-such-dir-xyz/a/"},
        {"rel\\x.dbf", "rel/x.dbf"},
        {"/srv/no-such/x", "/srv/no-such/x"},
        {"C:", "."},
        {"\\\\TILL2.ini", "/TILL2.ini"},  // one name after "\\": not a UNC path
    };
    for (const auto& c : cases) {
        auto got = toNative(c.in);
        ASSERT_TRUE(got.has_value()) << c.in;
        EXPECT_EQ(*got, c.out) << c.in;
    }
}

TEST(PathTest, UncNeedsARoot) {
    platform::setUncRoot("");
    EXPECT_FALSE(toNative("\\\\server\\share\\istock.dbf").has_value());
    platform::setUncRoot("/mnt/unc/");
    EXPECT_EQ(*toNative("\\\\server\\share\\istock.dbf"), "/mnt/unc/server/share/istock.dbf");
    platform::setUncRoot("");
}

TEST(PathTest, ComponentsMatchWithoutRegardToCase) {
    testsupport::TempDir dir;
    dir.write("Shop/Images/ab12345.JPG", "x");
    std::string base = dir.str();
    EXPECT_EQ(*toNative(base + "\\SHOP\\images\\AB12345.jpg"), base + "/Shop/Images/ab12345.JPG");
    // A missing file keeps its written name below the matched folders.
    EXPECT_EQ(*toNative(base + "\\shop\\IMAGES\\new.dbf"), base + "/Shop/Images/new.dbf");
    // The exact name wins over a case-insensitive one.
    dir.write("Shop/Images/AB12345.jpg", "y");
    EXPECT_EQ(*toNative(base + "\\shop\\images\\AB12345.jpg"), base + "/Shop/Images/AB12345.jpg");
}

TEST(PathTest, LastSeparatorCountsBothForms) {
    EXPECT_EQ(platform::lastSeparator("C:\\POS\\TILL1/image.tmp"), 12u);
    EXPECT_EQ(platform::lastSeparator("image.tmp"), std::string_view::npos);
}

}  // namespace
#else
namespace {

TEST(PathTest, WindowsPathsPassThroughUnchanged) {
    // The file system itself reads drive letters, UNC names, either separator
    // and any case; nothing is rewritten.
    for (const char* p : {"C:\\POS\\image.tmp", "\\\\TILLSERVER\\pos\\istock.dbf", "rel\\x.dbf",
                          "C:POS", "D:/mixed\\Case.DBF", "images\\", ""}) {
        auto got = platform::toNative(p);
        ASSERT_TRUE(got.has_value()) << p;
        EXPECT_EQ(*got, p);
    }
    platform::setUncRoot("/mnt/unc");  // no meaning here
    EXPECT_EQ(*platform::toNative("\\\\server\\share\\x"), "\\\\server\\share\\x");
    platform::setUncRoot("");
}

TEST(PathTest, BothSlashesSeparate) {
    EXPECT_TRUE(platform::isSeparator('\\'));
    EXPECT_TRUE(platform::isSeparator('/'));  // the file system's own rule
    EXPECT_EQ(platform::lastSeparator("C:\\POS\\TILL1/image.tmp"), 12u);
    EXPECT_EQ(platform::lastSeparator("image.tmp"), std::string_view::npos);
}

TEST(PathTest, FilesFoundWithoutRegardToCase) {
    testsupport::TempDir dir;
    dir.write("Shop\\ab12345.JPG", "x");
    auto native = platform::toNative(dir.str() + "\\SHOP\\AB12345.jpg");
    ASSERT_TRUE(native.has_value());
    EXPECT_TRUE(platform::fileExists(*native));
}

}  // namespace
#endif
