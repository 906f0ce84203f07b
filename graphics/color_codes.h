#pragma once

#include <variant>

// Colour codes as plain numbers, the way the program's drawing calls take them:
//   0 .. 15           the standard palette (2 red, 15 pale grey);
//   negative          special colours (-1 black, -2 white) and desktop colours
//                     that follow the colour scheme (-40 button face, -47 entry
//                     field, -58 button text);
//   16777216 and up   RGB: red + green * 256 + blue * 65536 + 16777216.
// Codes are doubles because the RGB arithmetic keeps fractions as it finds them.
namespace graphics {

inline constexpr int kClrBlack = -1;
inline constexpr int kClrWhite = -2;
inline constexpr int kClrBlue = 1;
inline constexpr int kClrRed = 2;
inline constexpr int kClrPaleGray = 15;
inline constexpr int kSysClrButtonFace = -40;
inline constexpr int kSysClrEntryField = -47;
inline constexpr int kSysClrButtonText = -58;

inline constexpr double kRgbBase = 16777216;  // bit 24: the code is an RGB colour

// A colour that follows the desktop's colour scheme.
enum class SystemColor { ButtonFace, EntryField, ButtonText };

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// What a code stands for: fixed intensities, a desktop colour, or nothing
// known (monostate) for unassigned codes and RGB codes beyond 24 bits.
using ColorMeaning = std::variant<std::monostate, Rgb, SystemColor>;
ColorMeaning resolveColorCode(double code);

}  // namespace graphics
