#include "graphics/color_codes.h"

#include <cmath>

#include <gtest/gtest.h>

namespace graphics {
namespace {

TEST(ResolveColorCode, PaletteSpecialSystemAndRgb) {
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrRed)), (Rgb{255, 0, 0}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrPaleGray)), (Rgb{192, 192, 192}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrWhite)), (Rgb{255, 255, 255}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrBlack)), (Rgb{0, 0, 0}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(33521664)), (Rgb{0, 128, 255}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(16777471)), (Rgb{255, 0, 0}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(16777216)), (Rgb{0, 0, 0}));
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-40)), SystemColor::ButtonFace);
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-47)), SystemColor::EntryField);
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-58)), SystemColor::ButtonText);
    for (double unknown : {16.0, 16777215.0, -3.0, -100.0, 33554432.0 + 65536 * 10, double(NAN)})
        EXPECT_TRUE(std::holds_alternative<std::monostate>(resolveColorCode(unknown))) << unknown;
}

}  // namespace
}  // namespace graphics
