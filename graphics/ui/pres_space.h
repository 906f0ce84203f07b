#pragma once

#include "graphics/attributes.h"
#include "graphics/geometry.h"

namespace graphics {

// A drawing context with its current attributes: the presentation space of a
// widget or an image. Coordinates are pixels from the lower-left corner.
//
// setAttrArea without an argument returns the current values; with one it
// sets the filled elements (empty ones stay) and returns the values that were
// in effect before. A presentation space belongs to one thread at a time; its
// owner serialises the calls (a widget's lock).
class PresSpace {
public:
    virtual ~PresSpace() = default;

    virtual AreaAttrs setAttrArea() = 0;
    virtual AreaAttrs setAttrArea(const AreaAttrs& attrs) = 0;

    // Fills the box with opposite corners `corner1` and `corner2` (both inside
    // it) with the area colour, without an outline.
    virtual void fillBox(Point corner1, Point corner2) = 0;
};

}  // namespace graphics
