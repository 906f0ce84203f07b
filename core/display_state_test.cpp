#include "core/display_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/program_state.h"
#include "core/value_cell.h"

namespace {

using namespace core;

TEST(DisplayStateTest, KeptValues) {
    resetDisplayState();
    EXPECT_EQ(DataSource(), "DATA");
    EXPECT_EQ(DataSource("slides"), "slides");  // stored as given, not validated
    EXPECT_EQ(DataSource(), "slides");
    EXPECT_FALSE(StopDisplay());
    EXPECT_TRUE(StopDisplay(true));
    EXPECT_TRUE(StopDisplay());
    resetDisplayState();
}

// Run under ThreadSanitizer by scripts/test: two threads hammer the cells and
// the kept values; every read must be one of the values written, whole.
TEST(DisplayStateTest, SafeAcrossThreads) {
    resetDisplayState();
    ValueCell<std::string> cell("x");
    ValueCell<double> period(20);
    const std::string a(200, 'a'), b(300, 'b');
    std::atomic<bool> torn{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            cell.setData(i % 2 ? a : b);
            period.setData(i % 2 ? 2 : 999);
            DataSource(i % 2 ? "SLIDES" : "KBD");
            StopDisplay(i % 2 == 0);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        std::string v = cell.getData();
        if (v != "x" && v != a && v != b) torn = true;
        double p = period.getData();
        if (p != 20 && p != 2 && p != 999) torn = true;
        std::string s = DataSource();
        if (s != "DATA" && s != "SLIDES" && s != "KBD") torn = true;
        (void)StopDisplay();
        (void)programState().oGetTime.getData();
    }
    writer.join();
    EXPECT_FALSE(torn);
    resetDisplayState();
}

TEST(DisplayStateDeathTest, QuitRunsTheExitProcedureOnce) {
    EXPECT_EXIT(
        {
            setExitProcedure([] { std::fputs("exit-procedure\n", stderr); });
            Quit();
        },
        ::testing::ExitedWithCode(0), "exit-procedure");
}

}  // namespace
