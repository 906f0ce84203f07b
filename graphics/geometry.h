#pragma once

// Positions and boxes as the program gives them, {x, y} from the lower-left
// corner, and their conversion to the top-down pixel rows of the screen and of
// images. The flip happens here and nowhere else.
namespace graphics {

struct Point {
    double x = 0;
    double y = 0;
};

struct Size {
    double width = 0;
    double height = 0;
};

// Whole pixels, top-down: (left, top) is the upper-left pixel.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The pixels a filled box covers in an area `areaHeight` pixels high. The two
// corners are opposite corners in any order and are both inside the box; each
// is rounded to the nearest pixel (halves up), so {0, 0} to {9, 0} is one row of
// ten pixels at the bottom.
PixelRect boxPixels(Point corner1, Point corner2, int areaHeight);

// The geometry of a widget at `pos` (its lower-left corner) with `size`, in a
// parent `parentHeight` pixels high.
PixelRect widgetRect(Point pos, Size size, int parentHeight);

}  // namespace graphics
