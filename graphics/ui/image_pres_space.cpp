#include "graphics/ui/image_pres_space.h"

#include <QPainter>
#include <utility>

#include "graphics/color_codes.h"
#include "graphics/ui/qt_color.h"

namespace graphics {

ImagePresSpace::ImagePresSpace(QImage* image, QPalette palette)
    : m_image(image), m_palette(std::move(palette)) {
    m_area = {kClrBlack, kClrWhite, 0, 0, 0};
}

AreaAttrs ImagePresSpace::setAttrArea(const AreaAttrs& attrs) {
    return std::exchange(m_area, merged(m_area, attrs));
}

void ImagePresSpace::fillBox(Point corner1, Point corner2) {
    if (!m_image || m_image->isNull()) return;
    const QColor color = toQColor(*m_area.color, m_palette);
    if (!color.isValid()) return;
    const PixelRect r = boxPixels(corner1, corner2, m_image->height());
    QPainter painter(m_image);
    painter.fillRect(QRect(r.left, r.top, r.width, r.height), color);
}

}  // namespace graphics
