#include "display/display_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "core/display_state.h"

namespace {

using display::DisplayMode;
using display::Source;

struct Outcome {
    std::string text;
    double period;
    bool suspended;
};

Outcome after(const char* startText, bool suspended, const std::function<void(DisplayMode&)>& action) {
    DisplayMode mode;
    mode.setText(startText);
    core::StopDisplay(suspended);
    action(mode);
    DisplayMode::State s = mode.state();
    Outcome o{s.text, s.period, core::StopDisplay()};
    core::resetDisplayState();
    return o;
}

TEST(DisplayModeTest, EachActionSetsSourcePeriodAndSuspensionTogether) {
    const auto show = [](DisplayMode& m) { m.showSlides(150); };
    const auto watch = [](DisplayMode& m) { m.watch(7); };
    const auto freeze = [](DisplayMode& m) { m.freeze(); };
    const auto apply = [](DisplayMode& m) { m.applySettings(150, 7); };
    const struct {
        const char* name;
        const char* start;
        bool suspended;
        std::function<void(DisplayMode&)> action;
        Outcome expected;
    } cases[] = {
        {"Show from manual entry", "KBD", true, show, {"SLIDES", 150, false}},
        {"Watch from the slide show", "SLIDES", true, watch, {"DATA", 7, false}},
        {"Freeze keeps a suspension", "DATA", true, freeze, {"FREEZE", 2, true}},
        {"Apply/Save in the slide show", "SLIDES", true, apply, {"SLIDES", 150, false}},
        {"Apply/Save in the data monitor", "DATA", false, apply, {"DATA", 7, false}},
        {"Apply/Save in manual entry stops the turns", "KBD", true, apply, {"KBD", 999, false}},
        {"Apply/Save right after Freeze", "FREEZE", false, apply, {"FREEZE", 999, false}},
        {"Apply/Save with a lower-case source", "slides", false, apply, {"slides", 999, false}},
    };
    for (const auto& c : cases) {
        Outcome got = after(c.start, c.suspended, c.action);
        EXPECT_EQ(got.text, c.expected.text) << c.name;
        EXPECT_EQ(got.period, c.expected.period) << c.name;
        EXPECT_EQ(got.suspended, c.expected.suspended) << c.name;
    }
}

TEST(DisplayModeTest, KeptValueTakesAnyTextAndKeepsThePeriod) {
    DisplayMode mode;
    EXPECT_EQ(mode.text(), "DATA");
    EXPECT_EQ(mode.period(), display::kStartPeriod);
    mode.setText("slides");
    EXPECT_EQ(mode.text(), "slides");
    EXPECT_EQ(mode.source(), Source::Unknown);
    EXPECT_EQ(mode.period(), display::kStartPeriod);
    mode.setText("KBD");
    EXPECT_EQ(mode.source(), Source::Kbd);
}

// The display cycle's own changes give way to an action that came first.
TEST(DisplayModeTest, TheCyclesChangesDoNotUndoAnAction) {
    DisplayMode mode;
    mode.freeze();
    mode.showSlides(150);                  // Show pressed while the turn ran
    EXPECT_FALSE(mode.enterKeyboard());    // the turn's Freeze -> Kbd step
    EXPECT_EQ(mode.text(), "SLIDES");
    EXPECT_EQ(mode.period(), 150);

    mode.watch(7);                         // Watch pressed during a slide show turn
    mode.followSlidePeriod(150);           // the turn's period from the field
    EXPECT_EQ(mode.period(), 7);

    mode.freeze();
    EXPECT_TRUE(mode.enterKeyboard());
    EXPECT_EQ(mode.state().source, Source::Kbd);
    EXPECT_EQ(mode.period(), display::kManualPeriod);
    core::resetDisplayState();
}

// The idle slide show is one change of source, only from a running data
// monitor and back only from itself; any action ends it.
TEST(DisplayModeTest, IdleSlidesComeOnlyFromTheRunningDataMonitor) {
    const struct {
        const char* name;
        std::function<void(DisplayMode&)> before;
        bool suspended;
        bool starts;
    } cases[] = {
        {"data monitor", [](DisplayMode& m) { m.watch(7); }, false, true},
        {"data monitor, suspended", [](DisplayMode& m) { m.watch(7); }, true, false},
        {"data monitor, no turns",
         [](DisplayMode& m) { m.freeze(), m.applySettings(150, 7), m.setText("DATA"); }, false, false},
        {"the clerk's slide show", [](DisplayMode& m) { m.showSlides(150); }, false, false},
        {"manual entry", [](DisplayMode& m) { m.freeze(); }, false, false},
        {"lower-case source", [](DisplayMode& m) { m.setText("data"); }, false, false},
    };
    for (const auto& c : cases) {
        DisplayMode mode;
        c.before(mode);
        core::StopDisplay(c.suspended);
        const DisplayMode::State was = mode.state();
        EXPECT_EQ(mode.startIdleSlides(), c.starts) << c.name;
        const DisplayMode::State s = mode.state();
        if (c.starts) {
            EXPECT_EQ(s.text, "SLIDES") << c.name;
            EXPECT_EQ(s.period, 7) << c.name;  // the data monitor's, to keep polling
            EXPECT_TRUE(s.idleSlides) << c.name;
        } else {
            EXPECT_EQ(s.text, was.text) << c.name;
            EXPECT_EQ(s.period, was.period) << c.name;
            EXPECT_FALSE(s.idleSlides) << c.name;
        }
        core::resetDisplayState();
    }

    DisplayMode mode;
    mode.watch(7);
    ASSERT_TRUE(mode.startIdleSlides());
    mode.followSlidePeriod(150);  // a slide's turn keeps the data monitor's period
    mode.applySettings(150, 8);   // Apply/Save too
    EXPECT_EQ(mode.period(), 8);
    EXPECT_TRUE(mode.endIdleSlides());
    EXPECT_EQ(mode.state().text, "DATA");
    EXPECT_EQ(mode.period(), 8);
    EXPECT_FALSE(mode.endIdleSlides());

    // Show pressed during the idle slide show: the clerk's from then on.
    ASSERT_TRUE(mode.startIdleSlides());
    mode.showSlides(150);
    EXPECT_FALSE(mode.endIdleSlides());
    EXPECT_EQ(mode.text(), "SLIDES");
    EXPECT_EQ(mode.period(), 150);
    core::resetDisplayState();
}

// Run under ThreadSanitizer by scripts/test: a reader never sees a source
// with another source's period.
TEST(DisplayModeTest, ReadersNeverSeeAHalfMadeSwitch) {
    DisplayMode mode;
    std::atomic<bool> done{false};
    std::thread gui([&] {
        for (int i = 0; i < 20000; ++i) {
            switch (i % 3) {
            case 0: mode.showSlides(150); break;
            case 1: mode.watch(7); break;
            default: mode.freeze(); break;
            }
        }
        done = true;
    });
    bool torn = false;
    while (!done) {
        DisplayMode::State s = mode.state();
        const bool paired = (s.text == "SLIDES" && s.period == 150) ||
                            (s.text == "DATA" && (s.period == 7 || s.period == display::kStartPeriod)) ||
                            (s.text == "FREEZE" && s.period == display::kManualPeriod);
        torn = torn || !paired || display::sourceOf(s.text) != s.source;
    }
    gui.join();
    EXPECT_FALSE(torn);
    core::resetDisplayState();
}

}  // namespace
