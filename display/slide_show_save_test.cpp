// The slide show and the list page's Apply/Save together, as the program
// runs them: the display's turns on the timer thread read the list table
// while the GUI thread saves a new one, having asked the display to let go
// of its tables first.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <utility>

#include "core/display_state.h"
#include "display/display_cycle.h"
#include "display/display_window_testing.h"
#include "display/timer_loop.h"
#include "display/turn_gate.h"
#include "settings/list_box.h"
#include "settings/list_file.h"
#include "testsupport/scripted_dialogs.h"
#include "testsupport/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Items = std::vector<std::string>;

// The codes the slides showed, in order (the lookup gives the code itself).
class Shown : public inventory::ItemLookup, public display::testing::QuietWindow {
public:
    inventory::Description describe(const std::string& code, const std::string&,
                                    inventory::Patience) override {
        return {code, true};
    }
    void setDescription(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_shown.push_back(text);
    }
    Items take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_shown, {});
    }

private:
    std::mutex m_mutex;
    Items m_shown;
};

class SlideShowSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::resetDisplayState();
        state.cListFile.setData(dir.file("TILL1.dbf"));
        display::CycleServices s = display::fileServices();
        s.pause = [](int) {};
        cycle = std::make_unique<display::DisplayCycle>(state, mode, shown, shown, period, applied, s);
        mode.showSlides(100);
    }
    void TearDown() override { core::resetDisplayState(); }

    // Saves `items` as the list page's Apply/Save does, the display letting
    // go of its tables through a turn on `timer`.
    std::string save(const Items& items, display::TimerThread& timer) {
        settings::MemoryListBox list(items);
        settings::SaveList(
            list, state.cListFile.getData(),
            [&] {
                EXPECT_TRUE(timer.awaitTurn(
                    [&] { gate.run([&] { cycle->turn({display::TurnRequest::Kind::Reset}); }); }, 2s));
            },
            [&](int hundredths) { retries.push_back(hundredths); });
        return dialogs.boxes().back().text;
    }
    void turns(int n) {
        for (int i = 0; i < n; ++i) gate.run([&] { cycle->turn(); });
    }

    testsupport::TempDir dir;
    testsupport::ScriptedDialogs dialogs;
    testsupport::DialogsScope dialogsScope{&dialogs};
    core::ProgramState state;
    display::DisplayMode mode;
    display::testing::FixedSlidePeriod period{100};
    settings::AppliedSettings applied;
    Shown shown;
    display::TurnGate gate;
    std::unique_ptr<display::DisplayCycle> cycle;
    std::vector<int> retries;  // the save's waits for a list held by someone
};

// The show goes on with the new list at the record it had reached.
TEST_F(SlideShowSaveTest, ANewListContinuesAtTheRecordReached) {
    display::TimerThread timer([] { return display::kNoTurns; }, [] {});
    timer.start();
    ASSERT_EQ(save({"AAA1111", "BBB2222", "CCC3333"}, timer), "Saved to file: " + state.cListFile.getData());
    core::StopDisplay(false);
    turns(2);
    EXPECT_EQ(shown.take(), (Items{"AAA1111", "BBB2222"}));
    EXPECT_EQ(save({"PPP1111", "QQQ2222", "RRR3333", "SSS4444"}, timer),
              "Saved to file: " + state.cListFile.getData());
    turns(1);
    EXPECT_TRUE(shown.take().empty()) << "still suspended";
    core::StopDisplay(false);
    turns(4);
    EXPECT_EQ(shown.take(), (Items{"RRR3333", "SSS4444", "PPP1111", "QQQ2222"}));
}

// Saves while slides come as fast as the timer turns them: the turn in
// progress ends first and no other starts, so the display never holds the
// list when the save replaces it (no wait for a holder, no refusal).
TEST_F(SlideShowSaveTest, SavesWhileTheSlidesRunNeverFindTheListHeld) {
    display::TimerThread timer([] { return display::kManualPeriod; },
                               [&] { gate.run([&] { cycle->turn(); }); });
    timer.start();
    ASSERT_EQ(save({"AAA1111"}, timer), "Saved to file: " + state.cListFile.getData());
    for (int i = 0; i < 8; ++i) {
        core::StopDisplay(false);  // Show: the slides run again
        std::this_thread::sleep_for(250ms);
        EXPECT_EQ(save({"AAA1111", "BBB222" + std::to_string(i)}, timer),
                  "Saved to file: " + state.cListFile.getData())
            << i;
    }
    timer.stop();
    EXPECT_TRUE(retries.empty());
    EXPECT_FALSE(shown.take().empty());
}

}  // namespace
