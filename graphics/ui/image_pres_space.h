#pragma once

#include <QImage>
#include <QPalette>

#include "graphics/ui/pres_space.h"

namespace graphics {

// A presentation space that draws into a QImage (a widget's backing image).
// The image is not owned and may be replaced with setImage; with a null image,
// or an area colour that stands for nothing, drawing does nothing. Desktop
// colours come from the palette given at construction, so drawing needs
// nothing from the GUI thread. Not thread-safe: the owner of the image
// serialises every call.
class ImagePresSpace final : public PresSpace {
public:
    ImagePresSpace(QImage* image, QPalette palette);

    void setImage(QImage* image) { m_image = image; }

    AreaAttrs setAttrArea() override { return m_area; }
    AreaAttrs setAttrArea(const AreaAttrs& attrs) override;

    void fillBox(Point corner1, Point corner2) override;

private:
    QImage* m_image;
    QPalette m_palette;
    AreaAttrs m_area;
};

}  // namespace graphics
