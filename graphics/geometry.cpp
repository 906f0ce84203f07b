#include "graphics/geometry.h"

#include <algorithm>
#include <cmath>

namespace graphics {

namespace {

int pixel(double v) {
    return int(std::floor(v + 0.5));
}

// Top row of something `extent` rows high whose lowest row is `bottom`.
int topDown(int bottom, int extent, int areaHeight) {
    return areaHeight - bottom - extent;
}

}  // namespace

PixelRect boxPixels(Point corner1, Point corner2, int areaHeight) {
    const int left = pixel(std::min(corner1.x, corner2.x));
    const int right = pixel(std::max(corner1.x, corner2.x));
    const int bottom = pixel(std::min(corner1.y, corner2.y));
    const int top = pixel(std::max(corner1.y, corner2.y));
    const int height = top - bottom + 1;
    return {left, topDown(bottom, height, areaHeight), right - left + 1, height};
}

PixelRect widgetRect(Point pos, Size size, int parentHeight) {
    const int height = pixel(size.height);
    return {pixel(pos.x), topDown(pixel(pos.y), height, parentHeight), pixel(size.width), height};
}

}  // namespace graphics
