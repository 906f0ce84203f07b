#include "settings/screen_choice.h"

#include <gtest/gtest.h>

namespace {

using settings::ScreenChoice;

TEST(ScreenChoiceTest, ChosenScreenByNumberOrName) {
    const std::vector<std::string> names{"DUMMY0", "HDMI-1", "hdmi-1x"};
    const struct {
        const char* chosen;
        std::optional<std::size_t> index;
    } cases[] = {
        {"", std::nullopt},     {"1", 0},          {" 2 ", 1},           {"3", 2},
        {"4", std::nullopt},    {"0", std::nullopt}, {"-1", std::nullopt}, {"2.5", std::nullopt},
        {"HDMI-1", 1},          {"hdmi-1", 1},     {"HDMI-1X", 2},       {"DP-1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(settings::chosenScreen(c.chosen, names), c.index) << c.chosen;
    EXPECT_EQ(settings::chosenScreen("1", {}), std::nullopt);
}

TEST(ScreenChoiceTest, ChoicesKeepWhatTheFileSays) {
    const std::vector<settings::ScreenInfo> screens{{"DUMMY0", 1024, 768}, {"DUMMY1", 800, 600}};
    const struct {
        const char* current;
        std::vector<std::string> values;
        std::size_t selected;
    } cases[] = {
        {"", {"", "DUMMY0", "DUMMY1"}, 0},
        {"DUMMY1", {"", "DUMMY0", "DUMMY1"}, 2},
        {"2", {"", "DUMMY0", "2"}, 2},
        {"dummy0", {"", "dummy0", "DUMMY1"}, 1},
        {"HDMI-1", {"", "DUMMY0", "DUMMY1", "HDMI-1"}, 3},
        {"3", {"", "DUMMY0", "DUMMY1", "3"}, 3},
    };
    for (const auto& c : cases) {
        std::size_t selected = 99;
        std::vector<ScreenChoice> got = settings::screenChoices(screens, c.current, &selected);
        std::vector<std::string> values;
        for (const ScreenChoice& g : got) values.push_back(g.value);
        EXPECT_EQ(values, c.values) << c.current;
        EXPECT_EQ(selected, c.selected) << c.current;
    }
    std::size_t selected = 0;
    std::vector<ScreenChoice> got = settings::screenChoices(screens, "HDMI-1", &selected);
    EXPECT_EQ(got[0].label, "Primary screen");
    EXPECT_EQ(got[2].label, "2: DUMMY1 (800 x 600)");
    EXPECT_EQ(got[3].label, "HDMI-1 (not connected)");
}

}  // namespace
