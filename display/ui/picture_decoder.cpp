#include "display/ui/picture_decoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "display/emf_check.h"
#include "display/jpeg_check.h"
#include "display/metafile_child.h"
#include "display/ui/metafile_converter.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/read_limits.h"
#include "platform/ui/svg_drawing.h"

namespace display::ui {
namespace {

constexpr int kDefaultDecodeBound = 2048;

constexpr int kWidestPixelBytes = 8;  // 16 bits a channel, four channels

bool exceeds(QSize size, QSize bound) {
    return size.width() > bound.width() || size.height() > bound.height();
}

}  // namespace

QSize reportedSize(QImageReader& reader) {
    QSize size = reader.size();  // from the header alone
    // A top-down BMP gives its rows as a negative height.
    if (reader.format() == "bmp" && size.height() < 0 && size.height() > INT_MIN)
        size.setHeight(-size.height());
    if (size.isEmpty()) return {};
    return size;
}

int allocationLimitMb(QSize reported) {
    const double mb = double(reported.width()) * reported.height() * kWidestPixelBytes / 1048576.0;
    return int(std::clamp(std::ceil(mb), double(kMinReaderAllocationMb),
                          double(kReaderAllocationLimitMb)));
}

QImage readDrawnPicture(const QByteArray& bmp, QSize size) {
    QBuffer buffer;
    buffer.setData(bmp);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(allocationLimitMb(size));
    if (reportedSize(reader) != size) return {};
    QImage image = reader.read();
    if (image.size() != size) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

DecodedPicture decodeRasterBytes(const std::string& bytes, QSize canvasSize, bool autoScale) {
    DecodedPicture failed;
    // No copy: the reader only reads while `bytes` lives.
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);

    QSize fullSize = reportedSize(reader);
    if (fullSize.isEmpty()) return failed;
    if (qint64(fullSize.width()) * fullSize.height() > kMaxPicturePixels) return failed;
    if (reader.format() == "jpeg" && !jpegIsComplete(bytes)) return failed;
    // The reader may allocate no more than the reported size needs: a GIF
    // whose screen is far larger than the frame its header reports is refused
    // here rather than decoded at the screen's size.
    reader.setAllocationLimit(allocationLimitMb(fullSize));

    const QSize decodeSize = rasterDecodeSize(fullSize, canvasSize, autoScale);
    const bool scaled = decodeSize != fullSize;
    if (scaled) reader.setScaledSize(decodeSize);
    QImage image = reader.read();
    if (image.isNull()) return failed;
    if (qint64(image.width()) * image.height() > kMaxPicturePixels) return failed;
    // Unscaled, the picture is what the reader produced (a GIF's screen with
    // its frame placed on it). Only the size it is drawn at is kept: the
    // larger one goes at once.
    if (!scaled) fullSize = image.size();
    const QSize keep = rasterDecodeSize(fullSize, canvasSize, autoScale);
    if (exceeds(image.size(), keep))
        image = image.scaled(keep, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    DecodedPicture picture;
    picture.kind = PictureKind::Raster;
    picture.image = std::move(image);
    picture.fullSize = fullSize;
    return picture;
}

namespace {

// Where the conversion child draws (Windows: GDI), it draws at the size the
// picture is shown at. It has no reader of OS/2 MET files: they stay
// undecoded, and the canvas empty.
DecodedPicture drawnMetafile(const std::string& file, const std::string& bytes, QSize canvasSize,
                             bool autoScale) {
    const EmfSize header = emfSize(bytes);
    const QSize own(header.width, header.height);
    if (own.isEmpty()) return {};
    auto converted = MetafileConverter::instance().convert(
        file, bytes, drawnSize(own, canvasSize, autoScale, PictureKind::Metafile));
    if (!converted) return {};
    DecodedPicture picture;
    picture.kind = PictureKind::Metafile;
    picture.image = std::move(converted->image);
    picture.svgSize = own;
    return picture;
}

DecodedPicture svgPicture(QByteArray svg, QRectF viewBox, QSize size) {
    // Parse once here, off the GUI thread, to refuse what Qt cannot draw.
    const platform::ui::SvgDrawing drawing(svg);
    if (!drawing.isValid()) return {};
    if (size.isEmpty()) size = drawing.defaultSize();
    if (size.isEmpty()) return {};
    DecodedPicture picture;
    picture.kind = PictureKind::Metafile;
    picture.svg = std::move(svg);
    picture.viewBox = viewBox;
    picture.svgSize = size;
    return picture;
}

// Elsewhere the child (or the office converter) writes an SVG document.
DecodedPicture svgMetafile(const std::string& file, const std::string& bytes) {
    if (bytes.empty()) return {};
    auto converted = MetafileConverter::instance().convert(file, bytes);
    if (!converted) return {};
    return svgPicture(std::move(converted->svg), converted->viewBox, converted->size);
}

}  // namespace

QSize drawnSize(QSize fullSize, QSize canvasSize, bool autoScale, PictureKind kind) {
    if (fullSize.isEmpty() || !autoScale) return fullSize;
    if (canvasSize.width() <= 2 || canvasSize.height() <= 2)
        return fullSize.scaled(kDefaultDecodeBound, kDefaultDecodeBound, Qt::KeepAspectRatio);
    const PixelRect drawn =
        toPixelRect(targetRect(canvasSize.width(), canvasSize.height(), fullSize.width(),
                               fullSize.height(), true, kind),
                    canvasSize.height());
    return {std::max(drawn.width, 1), std::max(drawn.height, 1)};
}

QSize rasterDecodeSize(QSize fullSize, QSize canvasSize, bool autoScale) {
    const QSize size = drawnSize(fullSize, canvasSize, autoScale);
    if (size.width() >= fullSize.width() || size.height() >= fullSize.height()) return fullSize;
    return size;
}

DecodedPicture decodePicture(const std::string& file, QSize canvasSize, bool autoScale) {
    DecodedPicture picture;
    // A folder, FIFO, device or socket counts as no file at all (platform/fs.h).
    if (!platform::isFile(file)) {
        picture.missing = true;
        return picture;
    }
    const PictureKind kind = pictureKindOf(file);
    if (kind == PictureKind::None) return picture;
    std::string bytes;
    const platform::Status read = platform::readFile(file, &bytes, platform::kPictureFileLimit);
    if (read.code() == platform::Status::Code::TooLarge) {
        picture.problem = read.message();
        std::fprintf(stderr, "lumisett: picture %s not shown: %s\n", file.c_str(),
                     picture.problem.c_str());
    }
    if (!read.isOk()) return picture;
    if (kind == PictureKind::Raster) return decodeRasterBytes(bytes, canvasSize, autoScale);
    if (kMetafileChildDraws) return drawnMetafile(file, bytes, canvasSize, autoScale);
    return svgMetafile(file, bytes);
}

}  // namespace display::ui
