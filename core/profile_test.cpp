#include "core/profile.h"

#include "core/xbase_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

using namespace core;

TEST(ProfileTest, DerivedFromTheFirstArgument) {
    auto net = [] { return std::string("TILL2"); };
    struct Case {
        std::optional<std::string> arg;
        const char* profile;
    } cases[] = {
        {std::nullopt, "TILL2"},
        {"", "TILL2"},
        {"...", "TILL2"},
        {"C:\\x\\shop.INI", "Cxshop"},
        {"shop.iNi", "shopiNi"},
        {"shop.ini", "shop"},
        {"shop.Ini", "shop"},
        {"a.ini.b", "ab"},
        {"front/till", "fronttill"},
        {"my*shop?<>|\"", "myshop"},
        {"Till 3", "Till 3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(deriveProfile(c.arg, net), c.profile) << c.arg.value_or("(none)");
    }
    EXPECT_EQ(deriveProfile(std::nullopt, [] { return std::string("host:1"); }), "host1");
}

TEST(ProfileTest, FileNamesBesideTheProgram) {
    auto files = profileFiles(appPathFrom('C', "SHOP\\DISPLAY"), "TILL2");
    EXPECT_EQ(files.paramFile, "C:\\SHOP\\DISPLAY\\TILL2.ini");
    EXPECT_EQ(files.listFile, "C:\\SHOP\\DISPLAY\\TILL2.dbf");
    // From the root of a drive two separators follow each other.
    EXPECT_EQ(profileFiles(appPathFrom('C', ""), "X").paramFile, "C:\\\\X.ini");
}

TEST(ProfileTest, AppPathFromDriveAndDirectory) {
    EXPECT_EQ(appPathFrom('C', "SHOP\\DISPLAY"), "C:\\SHOP\\DISPLAY");
    EXPECT_EQ(appPathFrom(std::nullopt, "home/shop"), "\\home\\shop");
    EXPECT_EQ(appPathFrom(std::nullopt, ""), "\\");
    EXPECT_EQ(appPathFrom('d', ""), "d:\\");
}

TEST(ProfileTest, AppPathOfThisProcess) {
    // The current folder in the program's form: with its drive letter on
    // Windows, from the root "\\" elsewhere.
    std::string here = std::filesystem::current_path().string();
#ifdef _WIN32
    ASSERT_GE(here.size(), 3u);
    ASSERT_EQ(here[1], ':');
    EXPECT_EQ(currentAppPath(), here);
#else
    EXPECT_EQ(currentAppPath(), replaceAll(here, "/", "\\"));
#endif
}

TEST(StartPositionTest, CentreAndEdgeRule) {
    Position centre = centredPosition(1024, 768);
    EXPECT_EQ(centre, (Position{212, 184}));
    EXPECT_EQ(centredPosition(601, 401), (Position{0, 0}));
    EXPECT_EQ(centredPosition(500, 300), (Position{-50, -50}));  // truncated toward zero
    const ScreenArea primary{0, 0, 1024, 768};
    struct Case {
        Position saved;
        Position expected;
    } cases[] = {
        {{100, 100}, {100, 100}},
        {{424, 368}, {424, 368}},   // exactly at the edges
        {{425, 100}, {212, 184}},   // past the right edge
        {{100, 369}, {212, 184}},   // past the top edge
        {{0, 0}, {0, 0}},           // the lower-left corner itself
        // Left of or below the screen, as far as the title bar can be grabbed.
        {{-50, 20}, {-50, 20}},
        {{20, -1}, {20, -1}},
        {{-500, 20}, {-500, 20}},    // 100 pixels of the title bar on the screen
        {{-501, 20}, {212, 184}},    // 99
        {{20, -372}, {20, -372}},    // the title bar's 28 rows just on the screen
        {{20, -373}, {212, 184}},
        // Nowhere to be reached.
        {{-30000, -30000}, {212, 184}},
        {{1e11, 100}, {212, 184}},
        {{100, 99999999999}, {212, 184}},
        {{std::nan(""), 100}, {212, 184}},
        {{100, HUGE_VAL}, {212, 184}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkStartPosition(c.saved, centre, primary, {primary}), c.expected)
            << c.saved.x << "," << c.saved.y;
    }
    // A customer's screen left of the primary one: positions there count
    // from the primary screen and are negative; kept while that screen
    // shows the window, centred once it is unplugged.
    const ScreenArea left{-1280, 0, 1280, 1024};
    EXPECT_EQ(checkStartPosition({-1000, 300}, centre, primary, {primary, left}), (Position{-1000, 300}));
    EXPECT_EQ(checkStartPosition({-1000, 300}, centre, primary, {primary}), centre);
    // One below the primary one.
    const ScreenArea below{0, 768, 1024, 768};
    EXPECT_EQ(checkStartPosition({100, -600}, centre, primary, {primary, below}), (Position{100, -600}));
}

TEST(StartModeTest, SlideShowWords) {
    for (const char* word : {"slide show", "Slides", "SHOW", "slide", "S", "ES SH"}) {
        EXPECT_TRUE(startsSlideShow(std::string(word))) << word;
    }
    for (const char* word : {"DATA", "FREEZE", "watch", "", "slideshow"}) {
        EXPECT_FALSE(startsSlideShow(std::string(word))) << word;
    }
    EXPECT_FALSE(startsSlideShow(std::nullopt));
}

}  // namespace
