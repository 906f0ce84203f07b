#include "display/picture_layout.h"

#include <gtest/gtest.h>

namespace display {
namespace {

struct RectCase {
    const char* what;
    int canvasW, canvasH, picW, picH;
    bool autoScale;
    ToolkitRect expected;
    PictureKind kind = PictureKind::Raster;
};

class TargetRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(TargetRectTest, Arithmetic) {
    const RectCase& c = GetParam();
    ToolkitRect t = targetRect(c.canvasW, c.canvasH, c.picW, c.picH, c.autoScale, c.kind);
    EXPECT_DOUBLE_EQ(t.x1, c.expected.x1) << c.what;
    EXPECT_DOUBLE_EQ(t.y1, c.expected.y1) << c.what;
    EXPECT_DOUBLE_EQ(t.x2, c.expected.x2) << c.what;
    EXPECT_NEAR(t.y2, c.expected.y2, 1e-9) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TargetRectTest,
    ::testing::Values(
        RectCase{"landscape fills the width", 800, 600, 1000, 500, true, {1, 100.5, 798, 498.5}},
        RectCase{"portrait fills the height", 800, 600, 400, 800, true,
                 {1 + 249.5, 1, 299 + 249.5, 598}},
        RectCase{"square fills the height", 800, 600, 300, 300, true, {101, 1, 698, 598}},
        // The rule looks at the picture alone: a landscape picture fills the
        // width even when that makes it taller than the canvas.
        RectCase{"landscape on a flatter canvas overflows", 800, 200, 1000, 900, true,
                 {1, 1, 798, 798.0 / (1000.0 / 900.0)}},
        RectCase{"portrait on a narrow canvas overflows", 200, 800, 900, 1000, true,
                 {1, 1, 798 * 0.9, 798}},
        RectCase{"own size, centred", 800, 600, 100, 50, false, {350, 275, 449, 324}},
        RectCase{"own size, larger than the canvas", 800, 600, 1000, 900, false,
                 {1, 1, 1000, 900}},
        RectCase{"own size, wider only", 800, 600, 1000, 100, false, {1, 250, 1000, 349}},
        RectCase{"empty picture", 800, 600, 0, 10, true, {1, 1, 0, 0}},
        // A metafile fits the canvas both ways.
        RectCase{"metafile on a flatter canvas fits its height", 800, 200, 1000, 900, true,
                 {1 + 289, 1, 220 + 289, 198}, PictureKind::Metafile},
        RectCase{"metafile on a narrower canvas fits its width", 200, 800, 900, 1000, true,
                 {1, 1 + 289, 198, 220 + 289}, PictureKind::Metafile},
        RectCase{"metafile of the canvas's shape fills it", 800, 600, 798, 598, true,
                 {1, 1, 798, 598}, PictureKind::Metafile},
        RectCase{"metafile at its own size", 800, 600, 100, 50, false, {350, 275, 449, 324},
                 PictureKind::Metafile}));

TEST(ToPixelRect, FlipsToTopLeftAndRounds) {
    // The worked example: 798 x 399 with 100.5 pixels above and below.
    EXPECT_EQ(toPixelRect({1, 100.5, 798, 498.5}, 600), (PixelRect{1, 101, 798, 399}));
    // The whole inner area.
    EXPECT_EQ(toPixelRect({1, 1, 798, 598}, 600), (PixelRect{1, 1, 798, 598}));
    // Overflowing at the top: the bottom edge stays one pixel above the canvas's.
    PixelRect cut = toPixelRect(targetRect(800, 200, 1000, 900, true), 200);
    EXPECT_EQ(cut.top + cut.height, 199);
    EXPECT_LT(cut.top, 0);
    EXPECT_EQ(cut.height, 718);
    EXPECT_EQ(toPixelRect({1, 1, 0, 0}, 600).width, 0);
}

TEST(PictureKindOf, FirstGroupFoundWins) {
    struct Case {
        const char* name;
        PictureKind kind;
    } cases[] = {
        {"C:\\POS\\AB12345.jpg", PictureKind::Raster},
        {"c:\\pos\\logo.Bmp", PictureKind::Raster},
        {"x.gif", PictureKind::Raster},
        {"x.PNG", PictureKind::Raster},
        {"x.emf", PictureKind::Metafile},
        {"X.MET", PictureKind::Metafile},
        {"C:\\A.BMP\\item.emf", PictureKind::Raster},
        {"C:\\A.EMF\\item.jpg", PictureKind::Raster},
        {"x.png.txt", PictureKind::Raster},  // anywhere in the name, as the widget always did
        {"x.jpeg", PictureKind::None},
        {"x.tif", PictureKind::None},
        {"", PictureKind::None},
    };
    for (const auto& c : cases) EXPECT_EQ(pictureKindOf(c.name), c.kind) << c.name;
}

}  // namespace
}  // namespace display
