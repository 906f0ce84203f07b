#include "inventory/progress_model.h"

#include <cmath>

#include <gtest/gtest.h>

namespace inventory {
namespace {

// A bar created with the given outer size and range, at its minimum.
void shape(ProgressModel& m, double width, double height, double minimum, double maximum) {
    m.created(width, height);
    m.setMinimum(minimum);
    m.setMaximum(maximum);
    m.setCurrent(minimum);
}

TEST(ProgressModel, SquaresAtCreateAndAtTheFirstRedraw) {
    ProgressModel m;
    shape(m, 400, 24, 1, 1000);
    EXPECT_EQ(m.squares(), 16);  // outer size
    EXPECT_EQ(m.every(), 62);
    m.layout(400, 24);
    EXPECT_EQ(m.squares(), 17);  // inner size 398 x 22
    EXPECT_EQ(m.every(), 62);    // unchanged until the progress is set again
    m.setCurrent(1);
    EXPECT_EQ(m.every(), 58);
}

TEST(ProgressModel, IncrementSignalsEveryEverySteps) {
    struct Case {
        double maximum;
        bool redrawFirst;
        int signals;  // over the increments from 1 to maximum
    };
    const Case cases[] = {
        {1000, false, 16},  // every 62
        {1000, true, 17},   // every 58
        {10, false, 9},     // every 0: each call signals
    };
    for (const auto& c : cases) {
        ProgressModel m;
        shape(m, 400, 24, 1, c.maximum);
        if (c.redrawFirst) {
            m.layout(400, 24);
            m.setCurrent(1);
        }
        int signals = 0;
        for (int i = 1; i < c.maximum; ++i)
            signals += m.increment(1);
        EXPECT_EQ(signals, c.signals) << c.maximum;
        EXPECT_EQ(m.progress(), c.maximum);
        EXPECT_EQ(m.current(), 1);  // increment moves only the drawn count
    }
}

TEST(ProgressModel, RangeChangesSwapAndRestart) {
    ProgressModel m;
    m.setMinimum(1);
    m.setMaximum(0);
    EXPECT_EQ(m.minimum(), 0);
    EXPECT_EQ(m.maximum(), 1);
    EXPECT_EQ(m.current(), 0);

    m.setMaximum(5);
    m.increment(3);
    m.setMinimum(9);
    EXPECT_EQ(m.minimum(), 5);
    EXPECT_EQ(m.maximum(), 9);
    EXPECT_EQ(m.current(), 5);
    EXPECT_EQ(m.progress(), 5);

    EXPECT_EQ(m.setCurrent(NAN), 5);  // not a number: nothing changes
    EXPECT_EQ(m.setCurrent(7), 7);
}

struct LayoutCase {
    const char* name;
    double width, height, minimum, maximum, progress;
    bool vertical;
    std::size_t squares;
};

TEST(ProgressModel, WhichSquaresARedrawFills) {
    const LayoutCase cases[] = {
        {"zero progress", 400, 24, 1, 1000, 1, false, 1},
        {"full progress", 400, 24, 1, 1000, 1000, false, 17},
        {"beyond the end", 400, 24, 1, 1000, 5000, false, 17},
        {"below the start", 400, 24, 1, 1000, -50, false, 1},
        {"point in square 5", 400, 24, 0, 398, 100, false, 5},
        {"zero-width range", 400, 24, 5, 5, 5, false, 1},
        // The point is the count over the range's width, whatever the range
        // starts at: a range from 50 at 50 is full.
        {"range away from 0", 400, 24, 50, 100, 50, false, 17},
        {"one step into 1 to 24", 400, 24, 1, 24, 1, false, 1},
        {"three steps into 1 to 24", 400, 24, 1, 24, 3, false, 3},
        {"tall bar, full", 24, 400, 0, 10, 10, true, 17},
        {"tall bar, half", 24, 400, 0, 398, 199, true, 9},
        {"square widget", 50, 50, 0, 10, 10, true, 0},
        {"no inner area", 2, 2, 0, 10, 10, true, 0},
    };
    for (const auto& c : cases) {
        ProgressModel m;
        shape(m, c.width, c.height, c.minimum, c.maximum);
        m.layout(c.width, c.height);
        m.setCurrent(c.progress);
        const BarDrawing d = m.layout(c.width, c.height);
        EXPECT_EQ(d.vertical, c.vertical) << c.name;
        EXPECT_EQ(d.squares.size(), c.squares) << c.name;
        EXPECT_EQ(d.color, 2) << c.name;
    }
}

TEST(ProgressModel, HorizontalRowGeometry) {
    ProgressModel m;
    shape(m, 400, 24, 1, 1000);
    m.setCurrent(1000);
    const BarDrawing d = m.layout(400, 24);
    ASSERT_EQ(d.squares.size(), 17u);
    EXPECT_EQ(d.squares.front(), (Box{5.5, 2, 25.5, 21}));  // 20 wide, centred
    for (std::size_t i = 1; i < d.squares.size(); ++i)
        EXPECT_EQ(d.squares[i].x1 - d.squares[i - 1].x1, 23);
    EXPECT_LE(d.squares.back().x2, 398 - 1);  // at least a pixel before the inner edge
    EXPECT_EQ(d.erase, (Box{399, 1, 398, 22}));  // nothing right of the end

    m.setCurrent(1);  // the point: 398 x 1 / 999
    EXPECT_EQ(m.layout(400, 24).erase, (Box{1 + 398.0 / 999, 1, 398, 22}));  // erases from the point
}

TEST(ProgressModel, VerticalColumnGeometry) {
    ProgressModel m;
    shape(m, 24, 400, 0, 398);
    m.setCurrent(199);
    const BarDrawing d = m.layout(24, 400);
    ASSERT_FALSE(d.squares.empty());
    EXPECT_EQ(d.squares.front(), (Box{2, 5.5, 21, 25.5}));
    EXPECT_EQ(d.squares[1].y1, 28.5);
    EXPECT_EQ(d.erase, (Box{1, 199, 22, 398}));  // starts at the point itself
}

}  // namespace
}  // namespace inventory
