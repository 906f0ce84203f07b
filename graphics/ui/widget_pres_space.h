#pragma once

#include <QImage>

#include "graphics/ui/image_pres_space.h"

class QPainter;
class QWidget;

namespace graphics {

// The presentation space of a widget that draws nothing of its own, such as
// the main window's drawing area: an image the size of the widget, cleared to
// a colour code, which the widget paints under its children (from its paint
// event, through paint()). Boxes filled into it ask the widget for a repaint.
// GUI thread only.
class WidgetPresSpace final : public PresSpace {
public:
    WidgetPresSpace(QWidget* widget, double background);

    AreaAttrs setAttrArea() override { return m_ps.setAttrArea(); }
    AreaAttrs setAttrArea(const AreaAttrs& attrs) override { return m_ps.setAttrArea(attrs); }
    void fillBox(Point corner1, Point corner2) override;

    // Paints the image into the widget; call from its paint event.
    void paint(QPainter& painter);

private:
    // Gives the image the widget's size, keeping what was drawn where it still fits.
    void fitImage();

    QWidget* m_widget;
    double m_background;
    QImage m_image;
    ImagePresSpace m_ps;
};

}  // namespace graphics
