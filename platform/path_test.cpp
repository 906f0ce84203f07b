#include "platform/path.h"

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
#endif
