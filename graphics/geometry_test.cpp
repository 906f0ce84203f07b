#include "graphics/geometry.h"

#include <gtest/gtest.h>

namespace graphics {
namespace {

TEST(BoxPixels, CornersAreInsideAndRowsCountFromTheTop) {
    struct Case {
        Point c1, c2;
        PixelRect expected;
    };
    const Case cases[] = {
        {{0, 0}, {9, 0}, {0, 23, 10, 1}},         // bottom row
        {{0, 23}, {0, 23}, {0, 0, 1, 1}},         // top-left pixel
        {{5.5, 2}, {25.5, 21}, {6, 2, 21, 20}},   // halves round up
        {{25.5, 21}, {5.5, 2}, {6, 2, 21, 20}},   // corners in either order
        {{1, 1}, {398, 22}, {1, 1, 398, 22}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(boxPixels(c.c1, c.c2, 24), c.expected) << c.c1.x << "," << c.c1.y;
}

TEST(WidgetRect, LowerLeftPositionBecomesTopLeft) {
    EXPECT_EQ(widgetRect({150, 318}, {400, 24}, 400), (PixelRect{150, 58, 400, 24}));
    EXPECT_EQ(widgetRect({0, 0}, {10, 10}, 10), (PixelRect{0, 0, 10, 10}));
}

}  // namespace
}  // namespace graphics
