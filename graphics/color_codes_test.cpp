#include "graphics/color_codes.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace graphics {
namespace {

struct MakeCase {
    std::vector<double> in;
    double code;
    std::vector<double> after;  // the caller's array afterwards
};

TEST(GraMakeRGBColor, CodesAndClampsInPlace) {
    const MakeCase cases[] = {
        {{255, 0, 0}, 16777471, {255, 0, 0}},
        {{0, 0, 0}, 16777216, {0, 0, 0}},
        {{255, 255, 255}, 33554431, {255, 255, 255}},
        {{300, -5, 10}, 17432831, {255, 0, 10}},
        {{1.5, 0, 0}, 16777217.5, {1.5, 0, 0}},        // fractions stay
        {{1, 2, 3, 999}, 16974337, {1, 2, 3, 999}},     // a fourth element is not read
    };
    for (const auto& c : cases) {
        std::vector<double> rgb = c.in;
        const auto code = GraMakeRGBColor(rgb);
        ASSERT_TRUE(code.has_value()) << c.in[0];
        EXPECT_DOUBLE_EQ(*code, c.code);
        EXPECT_EQ(rgb, c.after);
    }
}

TEST(GraMakeRGBColor, BadArraysGiveNothingAndStayUnchanged) {
    const std::vector<std::vector<double>> cases = {
        {},                   // no array
        {1, 2},               // too short
        {300, NAN, 3},        // an element that is not a number
        {300, 2, NAN},
    };
    for (const auto& in : cases) {
        std::vector<double> rgb = in;
        EXPECT_FALSE(GraMakeRGBColor(rgb).has_value());
        ASSERT_EQ(rgb.size(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i)  // no clamping happened
            EXPECT_TRUE(rgb[i] == in[i] || (std::isnan(rgb[i]) && std::isnan(in[i])));
    }
}

TEST(GraIsRGBColor, OnlyCodesWithBit24) {
    const std::pair<double, bool> cases[] = {
        {15, false}, {16777215, false}, {16777216, true}, {33554431, true},
        {2, false}, {-2, false}, {NAN, false},
    };
    for (auto [code, rgb] : cases)
        EXPECT_EQ(GraIsRGBColor(code), rgb) << code;
}

TEST(GraGetRGBIntensity, SplitsRgbCodes) {
    EXPECT_EQ(GraGetRGBIntensity(33521664), (Intensities{0, 128, 255}));
    EXPECT_EQ(GraGetRGBIntensity(16777471), (Intensities{255, 0, 0}));
    EXPECT_EQ(GraGetRGBIntensity(16777216), (Intensities{0, 0, 0}));
    EXPECT_FALSE(GraGetRGBIntensity(2).has_value());
    EXPECT_FALSE(GraGetRGBIntensity(-40).has_value());
}

TEST(ResolveColorCode, PaletteSpecialSystemAndRgb) {
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrRed)), (Rgb{255, 0, 0}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrPaleGray)), (Rgb{192, 192, 192}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrWhite)), (Rgb{255, 255, 255}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(kClrBlack)), (Rgb{0, 0, 0}));
    EXPECT_EQ(std::get<Rgb>(resolveColorCode(33521664)), (Rgb{0, 128, 255}));
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-40)), SystemColor::ButtonFace);
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-47)), SystemColor::EntryField);
    EXPECT_EQ(std::get<SystemColor>(resolveColorCode(-58)), SystemColor::ButtonText);
    for (double unknown : {16.0, 16777215.0, -3.0, -100.0, 33554432.0 + 65536 * 10, double(NAN)})
        EXPECT_TRUE(std::holds_alternative<std::monostate>(resolveColorCode(unknown))) << unknown;
}

}  // namespace
}  // namespace graphics
