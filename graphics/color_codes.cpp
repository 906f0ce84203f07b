#include "graphics/color_codes.h"

#include <array>
#include <cmath>

namespace graphics {

namespace {

// RGB codes: above 15 and at least 16777216. NaN is not a colour.
bool isRgbCode(double nColor) {
    return nColor > 15 && nColor - kRgbBase >= 0;
}

// The standard palette, codes 0 to 15.
constexpr std::array<Rgb, 16> kPalette{{
    {255, 255, 255},  // 0 background
    {0, 0, 255},      // 1 blue
    {255, 0, 0},      // 2 red
    {255, 0, 255},    // 3 pink
    {0, 255, 0},      // 4 green
    {0, 255, 255},    // 5 cyan
    {255, 255, 0},    // 6 yellow
    {0, 0, 0},        // 7 neutral
    {128, 128, 128},  // 8 dark grey
    {0, 0, 128},      // 9 dark blue
    {128, 0, 0},      // 10 dark red
    {128, 0, 128},    // 11 dark pink
    {0, 128, 0},      // 12 dark green
    {0, 128, 128},    // 13 dark cyan
    {128, 128, 0},    // 14 brown
    {192, 192, 192},  // 15 pale grey
}};

}  // namespace

ColorMeaning resolveColorCode(double code) {
    if (std::isnan(code))
        return {};
    if (isRgbCode(code)) {
        double v = code - kRgbBase;
        const double blue = std::trunc(v / 65536);
        v -= blue * 65536;
        const double green = std::trunc(v / 256);
        v -= green * 256;
        if (blue > 255)
            return {};
        return Rgb{int(v), int(green), int(blue)};
    }
    const double whole = std::trunc(code);
    if (whole >= 0 && whole <= 15)
        return kPalette[std::size_t(whole)];
    switch (int(whole)) {
    case kClrBlack: return Rgb{0, 0, 0};
    case kClrWhite: return Rgb{255, 255, 255};
    case kSysClrButtonFace: return SystemColor::ButtonFace;
    case kSysClrEntryField: return SystemColor::EntryField;
    case kSysClrButtonText: return SystemColor::ButtonText;
    default: return {};
    }
}

}  // namespace graphics
