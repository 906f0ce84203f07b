#include "display/find_pic.h"

#include <gtest/gtest.h>

#include <vector>

#include "testsupport/temp_dir.h"

namespace display {
namespace {

struct FindCase {
    const char* what;
    std::vector<const char*> files;  // created under the data folder
    const char* code;
    const char* expected;  // program-form name under the data path, "" for none
};

class FindPicTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindPicTest, FindsTheRightFile) {
    const FindCase& c = GetParam();
    testsupport::TempDir dir;
    for (const char* f : c.files) dir.write(f, "x");
    std::string expected = *c.expected ? dir.str() + "\\" + c.expected : "";
    EXPECT_EQ(FindPic(c.code, dir.str()), expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Tiers, FindPicTest,
    ::testing::Values(
        FindCase{"data folder wins over images", {"AB12345.png", "images/AB12345.jpg"}, "AB12345",
                 "AB12345.png"},
        FindCase{"images wins over the prefix folder",
                 {"images/AB12345.png", "images/AB/AB12345.jpg"}, "AB12345",
                 "images\\AB12345.png"},
        FindCase{"gif preferred to png", {"images/AB12345.png", "images/AB12345.gif"}, "AB12345",
                 "images\\AB12345.gif"},
        FindCase{"jpg, then bmp, then gif",
                 {"AB12345.gif", "AB12345.bmp", "AB12345.png", "AB12345.jpg"}, "AB12345",
                 "AB12345.jpg"},
        FindCase{"bmp before gif", {"AB12345.gif", "AB12345.bmp"}, "AB12345", "AB12345.bmp"},
        FindCase{"two-character prefix folder", {"images/AB/AB12345.bmp"}, "AB12345",
                 "images\\AB\\AB12345.bmp"},
        FindCase{"one-character prefix for five characters", {"images/A/A1234.jpg"}, "A1234",
                 "images\\A\\A1234.jpg"},
        FindCase{"two-character prefix for six characters", {"images/AB/ABC123.gif"}, "ABC123",
                 "images\\AB\\ABC123.gif"},
        FindCase{"prefix folder, gif before png",
                 {"images/12/1234567.png", "images/12/1234567.gif"}, "1234567",
                 "images\\12\\1234567.gif"},
        FindCase{"star removed", {"AB12345.jpg"}, "AB12345*", "AB12345.jpg"},
        FindCase{"slash removed", {"images/AB12345.bmp"}, "AB/12345", "images\\AB12345.bmp"},
        FindCase{"names match without regard to case", {"ab12345.JPG"}, "AB12345",
                 "AB12345.jpg"},
        FindCase{"folder names too", {"IMAGES/ab/Ab12345.Gif"}, "AB12345",
                 "images\\AB\\AB12345.gif"},
        FindCase{"other extensions do not count", {"AB12345.jpeg", "images/AB12345.tif"},
                 "AB12345", ""},
        FindCase{"no picture anywhere", {"AB1234.jpg", "images/AB/AB123456.jpg"}, "AB12345",
                 ""}));

TEST(FindPic, MissingDataFolderFindsNothing) {
    testsupport::TempDir dir;
    EXPECT_EQ(FindPic("AB12345", dir.file("nowhere")), "");
}

}  // namespace
}  // namespace display

namespace display {
namespace {

// The further views of a piece: beside its first picture, _2, _3, ... in any
// of the formats, until the first number missing.
TEST(FindViews, BesideTheFirstPictureUntilTheFirstGap) {
    const struct {
        const char* what;
        std::vector<const char*> files;
        const char* first;
        std::vector<const char*> views;
    } cases[] = {
        {"none", {"images/CH--123.jpg"}, "images\\CH--123.jpg", {}},
        {"two more, any format",
         {"images/CH--123.jpg", "images/CH--123_2.png", "images/CH--123_3.jpg"},
         "images\\CH--123.jpg",
         {"images\\CH--123_2.png", "images\\CH--123_3.jpg"}},
        {"the finder's order among formats", {"CH--123.bmp", "CH--123_2.png", "CH--123_2.gif"},
         "CH--123.bmp", {"CH--123_2.gif"}},
        {"a gap ends them", {"images/CH/CH--123.jpg", "images/CH/CH--123_2.jpg", "images/CH/CH--123_4.jpg"},
         "images\\CH\\CH--123.jpg", {"images\\CH\\CH--123_2.jpg"}},
        {"only beside it, not in another folder", {"images/CH--123.jpg", "CH--123_2.jpg"},
         "images\\CH--123.jpg", {}},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        for (const char* f : c.files) dir.write(f, "x");
        std::vector<std::string> want;
        for (const char* v : c.views) want.push_back(dir.str() + "\\" + v);
        EXPECT_EQ(FindViews(dir.str() + "\\" + c.first), want) << c.what;
    }
}

}  // namespace
}  // namespace display
