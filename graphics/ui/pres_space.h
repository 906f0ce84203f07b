#pragma once

#include <QFont>

#include "graphics/attributes.h"
#include "graphics/geometry.h"

namespace graphics {

// A drawing context with its current attributes: the presentation space of a
// widget or an image. Coordinates are pixels from the lower-left corner.
//
// Each attribute method has two forms: without an argument it returns the
// current values; with one it sets the filled elements (empty ones stay) and
// returns the values that were in effect before. A presentation space belongs
// to one thread at a time; its owner serialises the calls (a widget's lock).
class PresSpace {
public:
    virtual ~PresSpace() = default;

    virtual AreaAttrs setAttrArea() = 0;
    virtual AreaAttrs setAttrArea(const AreaAttrs& attrs) = 0;
    virtual LineAttrs setAttrLine() = 0;
    virtual LineAttrs setAttrLine(const LineAttrs& attrs) = 0;
    virtual MarkerAttrs setAttrMarker() = 0;
    virtual MarkerAttrs setAttrMarker(const MarkerAttrs& attrs) = 0;
    virtual StringAttrs setAttrString() = 0;
    virtual StringAttrs setAttrString(const StringAttrs& attrs) = 0;
    virtual QFont setFont() = 0;
    virtual QFont setFont(const QFont& font) = 0;
    virtual int drawMode() = 0;
    virtual int drawMode(int mode) = 0;
    virtual Colors setColor() = 0;
    virtual Colors setColor(double foreground) = 0;
    virtual Colors setColor(double foreground, double background) = 0;
    // Code of the last drawing failure, 0 when there was none.
    virtual int lastError() = 0;

    // The box with opposite corners `corner1` and `corner2` (both inside it):
    // filled with the area colour and no outline when `fill`, else outlined
    // with the line colour.
    virtual void box(Point corner1, Point corner2, bool fill) = 0;
};

// Drawing modes for drawMode().
inline constexpr int kDrawModeDraw = 1;
inline constexpr int kDrawModeRetain = 2;

// lastError() codes.
inline constexpr int kGraErrNone = 0;
inline constexpr int kGraErrUnknownColor = 1;  // a colour code that stands for nothing
inline constexpr int kGraErrNoDevice = 2;      // nothing to draw on

}  // namespace graphics
