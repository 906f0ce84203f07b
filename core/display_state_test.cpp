#include "core/display_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/value_cell.h"

namespace {

using namespace core;

// Run under ThreadSanitizer by scripts/test: two threads hammer a cell and
// the flag; every read must be one of the values written, whole.
TEST(DisplayStateTest, SafeAcrossThreads) {
    resetDisplayState();
    ValueCell<std::string> cell("x");
    const std::string a(200, 'a'), b(300, 'b');
    std::atomic<bool> torn{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            cell.setData(i % 2 ? a : b);
            StopDisplay(i % 2 == 0);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        std::string v = cell.getData();
        if (v != "x" && v != a && v != b) torn = true;
        (void)StopDisplay();
    }
    writer.join();
    EXPECT_FALSE(torn);
    resetDisplayState();
}

}  // namespace
