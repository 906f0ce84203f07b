#pragma once

#include <QImage>
#include <QPalette>

#include "graphics/ui/pres_space.h"

namespace graphics {

// A presentation space that draws into a QImage (a widget's backing image).
// The image is not owned and may be replaced with setImage; a null image makes
// drawing a no-op that sets lastError. Desktop colours come from the palette
// given at construction, so drawing needs nothing from the GUI thread. Not
// thread-safe: the owner of the image serialises every call.
class ImagePresSpace final : public PresSpace {
public:
    ImagePresSpace(QImage* image, QPalette palette);

    void setImage(QImage* image) { m_image = image; }

    AreaAttrs setAttrArea() override { return m_area; }
    AreaAttrs setAttrArea(const AreaAttrs& attrs) override;
    LineAttrs setAttrLine() override { return m_line; }
    LineAttrs setAttrLine(const LineAttrs& attrs) override;
    MarkerAttrs setAttrMarker() override { return m_marker; }
    MarkerAttrs setAttrMarker(const MarkerAttrs& attrs) override;
    StringAttrs setAttrString() override { return m_string; }
    StringAttrs setAttrString(const StringAttrs& attrs) override;
    QFont setFont() override { return m_font; }
    QFont setFont(const QFont& font) override;
    int drawMode() override { return m_drawMode; }
    int drawMode(int mode) override;
    Colors setColor() override { return m_colors; }
    Colors setColor(double foreground) override;
    Colors setColor(double foreground, double background) override;
    int lastError() override { return m_lastError; }

    void box(Point corner1, Point corner2, bool fill) override;

private:
    QImage* m_image;
    QPalette m_palette;
    AreaAttrs m_area;
    LineAttrs m_line;
    MarkerAttrs m_marker;
    StringAttrs m_string;
    QFont m_font;
    int m_drawMode = kDrawModeDraw;
    Colors m_colors;
    int m_lastError = kGraErrNone;
};

}  // namespace graphics
