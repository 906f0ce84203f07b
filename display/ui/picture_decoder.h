#pragma once

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QRectF>
#include <QSize>
#include <string>

#include "display/picture_layout.h"

namespace display::ui {

// A picture read from its file and ready for the ImageView: a decoded raster
// image, or a metafile as an SVG document (on Windows: drawn into an image). Plain data (implicitly shared Qt
// values): made on any thread and handed whole to the GUI thread.
struct DecodedPicture {
    // No file of that name: the view keeps what it shows.
    bool missing = false;
    // None when the file could not be read or decoded.
    PictureKind kind = PictureKind::None;

    // Raster: the image, decoded at or near the size it is drawn at, and the
    // picture's own size in pixels (what the layout and autoScale go by).
    QImage image;
    QSize fullSize;

    // Metafile: the SVG document, the part of it that is the picture (null
    // for the whole document) and the picture's own size in pixels. On
    // Windows `image` holds the picture drawn at the size it is shown at.
    QByteArray svg;
    QRectF viewBox;
    QSize svgSize;

    // Why a file that is there was not read, when it was refused before any
    // decoding (beyond platform::kPictureFileLimit); also noted on stderr.
    std::string problem;

    bool isLoaded() const { return kind != PictureKind::None; }
};

// Limits that keep a hostile or broken picture from exhausting memory. A
// picture whose header claims more pixels is refused before any decoding.
// Qt's readers may allocate for one image what the size the header reports
// needs in the widest pixel format (8 bytes a pixel), at least
// kMinReaderAllocationMb (a GIF's screen may be larger than its first frame,
// which is the size its reader reports) and at most kReaderAllocationLimitMb:
// a file whose decoding would produce more than it reported is refused.
inline constexpr long long kMaxPicturePixels = 120'000'000;  // a 100-megapixel camera
inline constexpr int kReaderAllocationLimitMb = 512;
inline constexpr int kMinReaderAllocationMb = 16;

// The size `reader`'s header reports, as the picture is shown: a BMP stored
// top-down reports a negative height, which is its number of rows all the
// same. Empty when the header cannot be read or reports no pixels.
QSize reportedSize(QImageReader& reader);
// The allocation limit (megabytes, QImageReader::setAllocationLimit) for a
// picture whose header reports `reported`; see above.
int allocationLimitMb(QSize reported);

// The picture a metafile's drawing child wrote (a BMP, bottom-up or top-down),
// when it is a picture of exactly `size` pixels; else a null image. Nothing
// beyond that size is allocated.
QImage readDrawnPicture(const QByteArray& bmp, QSize size);

// The size a picture of `kind` and `fullSize` is drawn at in a canvas of
// `canvasSize` (targetRect's rule). With an empty canvas it fits into
// 2048 x 2048.
QSize drawnSize(QSize fullSize, QSize canvasSize, bool autoScale,
                PictureKind kind = PictureKind::Raster);

// The size a raster picture is decoded at: the size it is drawn at, never
// more than its own.
QSize rasterDecodeSize(QSize fullSize, QSize canvasSize, bool autoScale);

// Decodes the raster picture (BMP, JPEG, GIF, PNG) held in `bytes` as
// decodePicture decodes a raster file. Any thread.
DecodedPicture decodeRasterBytes(const std::string& bytes, QSize canvasSize, bool autoScale = true);

// Reads and decodes `file` (program-form path) for a canvas of `canvasSize`:
// raster pictures (BMP, JPEG, GIF, PNG, told apart by their content) at
// rasterDecodeSize (whatever size the file's header reports, only the
// picture at that size is kept; a decode that would produce a picture larger
// than the header reported is refused or, within the limits above, scaled down
// at once); metafiles (EMF, OS/2 MET) through the out-of-process
// converter (metafile_converter.h), which may take up to its time limit the
// first time a picture is seen. On Windows the converter draws EMF with GDI
// at drawnSize, and MET files are not read. Only a regular file of at most platform::kPictureFileLimit bytes
// is read: anything else counts as missing, a larger file as undecodable.
// The group follows the file name, as pictureKindOf says. Never throws; any
// thread, several at once.
DecodedPicture decodePicture(const std::string& file, QSize canvasSize, bool autoScale = true);

}  // namespace display::ui
