#pragma once

#include <array>
#include <optional>
#include <span>
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

// Intensities {red, green, blue}, 0 to 255 each.
using Intensities = std::array<double, 3>;

// The RGB code of `aRGB`'s first three elements. Clamps those three in place
// to 0..255 (the caller's values change; fractions stay). Returns nothing and
// leaves the values alone when there are fewer than three, or when one of them
// is not a number (NaN). An empty span stands for "no array".
std::optional<double> GraMakeRGBColor(std::span<double> aRGB);

// True for RGB codes: above 15 and at least 16777216. NaN is not a colour.
bool GraIsRGBColor(double nColor);

// The intensities of an RGB code, nothing for any other code.
std::optional<Intensities> GraGetRGBIntensity(double nColor);

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
