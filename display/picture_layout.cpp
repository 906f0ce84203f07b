#include "display/picture_layout.h"

#include <cmath>

#include "core/xbase_values.h"

namespace display {

ToolkitRect targetRect(int canvasWidth, int canvasHeight, int pictureWidth, int pictureHeight,
                       bool autoScale, PictureKind kind) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {1, 1, 0, 0};
    const double innerWidth = canvasWidth - 2;
    const double innerHeight = canvasHeight - 2;
    // The upper corner doubles as the extent: the rect starts at (1, 1) and
    // covers x1..x2 inclusive.
    ToolkitRect t{1, 1, innerWidth, innerHeight};
    const double ratio = double(pictureWidth) / pictureHeight;
    if (autoScale && kind == PictureKind::Metafile) {
        if (innerWidth / innerHeight > ratio)
            t.x2 = t.y2 * ratio;
        else
            t.y2 = t.x2 / ratio;
    } else if (autoScale) {
        if (ratio > 1)
            t.y2 = t.x2 / ratio;
        else
            t.x2 = t.y2 * ratio;
    } else {
        t.x2 = pictureWidth;
        t.y2 = pictureHeight;
    }
    if (t.x2 < innerWidth) {
        const double d = (innerWidth - t.x2) / 2;
        t.x1 += d;
        t.x2 += d;
    }
    if (t.y2 < innerHeight) {
        const double d = (innerHeight - t.y2) / 2;
        t.y1 += d;
        t.y2 += d;
    }
    return t;
}

PixelRect toPixelRect(const ToolkitRect& rect, int canvasHeight) {
    // Toolkit pixel row y is screen row canvasHeight - 1 - y; the inclusive
    // corners become the edges [x1, x2 + 1) and [H - 1 - y2, H - y1).
    const long left = std::lround(rect.x1);
    const long right = std::lround(rect.x2 + 1);
    const long top = std::lround(canvasHeight - 1 - rect.y2);
    const long bottom = std::lround(canvasHeight - rect.y1);
    if (right <= left || bottom <= top) return {int(left), int(top), 0, 0};
    return {int(left), int(top), int(right - left), int(bottom - top)};
}

PictureKind pictureKindOf(const std::string& fileName) {
    const std::string upper = core::upper(fileName);
    for (const char* ext : {".BMP", ".JPG", ".GIF", ".PNG"})
        if (upper.find(ext) != std::string::npos) return PictureKind::Raster;
    for (const char* ext : {".EMF", ".MET"})
        if (upper.find(ext) != std::string::npos) return PictureKind::Metafile;
    return PictureKind::None;
}

}  // namespace display
