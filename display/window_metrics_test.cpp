#include "display/window_metrics.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowMetricsTest, FontOffsetAndPictureWidthByWidth) {
    struct Case {
        int width;
        const char* font;
        int offset;
        double picture;
    } cases[] = {
        {600, "14.Times New Roman", 0, 360},     {798, "14.Times New Roman", 0, 478.8},
        {799, "19.Times New Roman", 10, 492.716666},  {1023, "24.Times New Roman", 20, 647.9},
        {1024, "24.Times New Roman", 20, 648.533333}, {1150, "26.Times New Roman", 24, 736},
        {1279, "29.Times New Roman", 30, 831.35},     {1280, "29.Times New Roman", 30, 832},
        {1599, "36.Times New Roman", 44, 1076.66},    {1920, "36.Times New Roman", 44, 1292.8},
    };
    for (const auto& c : cases) {
        auto m = display::windowMetrics(c.width);
        EXPECT_EQ(m.cFont, c.font) << c.width;
        EXPECT_EQ(m.nOffset, c.offset) << c.width;
        EXPECT_NEAR(m.pictureWidth, c.picture, 0.01) << c.width;
    }
}

}  // namespace
