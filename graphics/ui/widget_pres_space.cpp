#include "graphics/ui/widget_pres_space.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include "graphics/ui/qt_color.h"

namespace graphics {

WidgetPresSpace::WidgetPresSpace(QWidget* widget, double background)
    : m_widget(widget), m_background(background), m_ps(&m_image, QApplication::palette()) {}

void WidgetPresSpace::fitImage() {
    const QSize size = m_widget->size();
    if (m_image.size() == size) return;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(toQColor(m_background, QApplication::palette()));
    if (!m_image.isNull()) {
        // Drawings keep their distance from the lower-left corner.
        QPainter painter(&image);
        painter.drawImage(0, size.height() - m_image.height(), m_image);
    }
    m_image = std::move(image);
    m_ps.setImage(&m_image);
}

void WidgetPresSpace::fillBox(Point corner1, Point corner2) {
    fitImage();
    m_ps.fillBox(corner1, corner2);
    m_widget->update();
}

void WidgetPresSpace::paint(QPainter& painter) {
    fitImage();
    painter.drawImage(0, 0, m_image);
}

}  // namespace graphics
