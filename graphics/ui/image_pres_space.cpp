#include "graphics/ui/image_pres_space.h"

#include <QPainter>
#include <utility>

#include "graphics/color_codes.h"
#include "graphics/ui/qt_color.h"

namespace graphics {

namespace {

template <typename T>
T replace(T& current, const T& update) {
    return std::exchange(current, merged(current, update));
}

}  // namespace

ImagePresSpace::ImagePresSpace(QImage* image, QPalette palette)
    : m_image(image), m_palette(std::move(palette)) {
    m_area = {kClrBlack, kClrWhite, 0, 0, 0};
    m_line = {kClrBlack, 0, 1, 0};
    m_marker = {kClrBlack, kClrWhite, 0, 0, 0};
    m_string = {kClrBlack, kClrWhite, 0, 0, 0, 0};
    m_colors = {kClrBlack, kClrWhite};
}

AreaAttrs ImagePresSpace::setAttrArea(const AreaAttrs& attrs) {
    return replace(m_area, attrs);
}
LineAttrs ImagePresSpace::setAttrLine(const LineAttrs& attrs) {
    return replace(m_line, attrs);
}
MarkerAttrs ImagePresSpace::setAttrMarker(const MarkerAttrs& attrs) {
    return replace(m_marker, attrs);
}
StringAttrs ImagePresSpace::setAttrString(const StringAttrs& attrs) {
    return replace(m_string, attrs);
}
QFont ImagePresSpace::setFont(const QFont& font) {
    return std::exchange(m_font, font);
}
int ImagePresSpace::drawMode(int mode) {
    return std::exchange(m_drawMode, mode);
}
Colors ImagePresSpace::setColor(double foreground) {
    return replace(m_colors, Colors{foreground, std::nullopt});
}
Colors ImagePresSpace::setColor(double foreground, double background) {
    return replace(m_colors, Colors{foreground, background});
}

void ImagePresSpace::box(Point corner1, Point corner2, bool fill) {
    if (!m_image || m_image->isNull()) {
        m_lastError = kGraErrNoDevice;
        return;
    }
    // The colour in effect for this box, whatever the colour set with setColor.
    const QColor color = toQColor(fill ? *m_area.color : *m_line.color, m_palette);
    if (!color.isValid()) {
        m_lastError = kGraErrUnknownColor;
        return;
    }
    if (m_drawMode == kDrawModeRetain)
        return;
    const PixelRect r = boxPixels(corner1, corner2, m_image->height());
    const QRect rect(r.left, r.top, r.width, r.height);
    QPainter painter(m_image);
    if (fill) {
        painter.fillRect(rect, color);
    } else {
        painter.setPen(QPen(color, 1));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

}  // namespace graphics
