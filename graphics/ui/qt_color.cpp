#include "graphics/ui/qt_color.h"

#include "graphics/color_codes.h"

namespace graphics {

namespace {

QPalette::ColorRole role(SystemColor color) {
    switch (color) {
    case SystemColor::ButtonFace: return QPalette::Button;
    case SystemColor::EntryField: return QPalette::Base;
    case SystemColor::ButtonText: return QPalette::ButtonText;
    }
    return QPalette::Window;
}

}  // namespace

QColor toQColor(double code, const QPalette& palette) {
    const ColorMeaning meaning = resolveColorCode(code);
    if (const auto* rgb = std::get_if<Rgb>(&meaning))
        return QColor(rgb->red, rgb->green, rgb->blue);
    if (const auto* system = std::get_if<SystemColor>(&meaning))
        return palette.color(QPalette::Active, role(*system));
    return QColor();
}

}  // namespace graphics
