#pragma once

#include <string>

namespace display {

// Where the picture widget draws a picture, as plain arithmetic.

// A rectangle in the widget toolkit's coordinates: pixels from the canvas's
// lower-left corner, both corners inclusive, so {1, 1, 798, 598} covers the
// 798 x 598 pixels inside a one-pixel margin of an 800 x 600 canvas. The
// corners may be fractional (centring halves a difference).
struct ToolkitRect {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    friend bool operator==(const ToolkitRect&, const ToolkitRect&) = default;
};

// The same area in screen pixels, origin at the top-left, whole pixels.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The picture group a file name belongs to, by the first of ".BMP", ".JPG",
// ".GIF", ".PNG" (raster) or else ".EMF", ".MET" (metafile) found anywhere in
// the upper-cased name: "C:\A.BMP\item.emf" is a raster picture.
enum class PictureKind { None, Raster, Metafile };
PictureKind pictureKindOf(const std::string& fileName);

// The rectangle a picture of `pictureWidth` x `pictureHeight` is drawn into on
// a canvas of `canvasWidth` x `canvasHeight`. With `autoScale` the picture keeps
// its aspect ratio: a raster picture fills the width when it is wider than
// high, the height otherwise, whatever the canvas's own proportions (so it may
// overflow the canvas, and is then cut); a metafile is scaled to fit the canvas
// both ways. Without `autoScale` it keeps its own size. It is centred on any
// axis where it is smaller than the canvas; otherwise it starts at the
// lower-left corner (1, 1). A picture with a zero side gives the empty
// rect {1, 1, 0, 0}.
ToolkitRect targetRect(int canvasWidth, int canvasHeight, int pictureWidth, int pictureHeight,
                       bool autoScale, PictureKind kind = PictureKind::Raster);

// `rect` on a canvas `canvasHeight` pixels high, flipped to a top-left origin,
// with fractional edges rounded to the nearest pixel.
PixelRect toPixelRect(const ToolkitRect& rect, int canvasHeight);

}  // namespace display
