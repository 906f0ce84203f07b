#include "display/ui/stored_pictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>

#include "platform/fs.h"
#include "platform/read_limits.h"

namespace display::ui {
namespace {

bool covers(QSize have, QSize want) {
    return have.width() >= want.width() && have.height() >= want.height();
}

bool hasTransparency(const QImage& image) {
    if (!image.hasAlphaChannel()) return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255) return true;
    }
    return false;
}

}  // namespace

std::string encodeCopy(const QImage& image, std::string* extension) {
    const bool png = hasTransparency(image);
    *extension = png ? "png" : "jpg";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, png ? "png" : "jpeg");
    if (!png) writer.setQuality(StoredPictures::kCopyQuality);
    const QImage opaque = png ? image : image.convertToFormat(QImage::Format_RGB32);
    if (!writer.write(opaque)) return {};
    return bytes.toStdString();
}

StoredPictures::StoredPictures(std::unique_ptr<PictureStore> store) : m_store(std::move(store)) {}

void StoredPictures::setListeners(std::function<void(const std::string& file)> wanted,
                                  std::function<void()> canvasKnown) {
    std::lock_guard lock(m_mutex);
    m_wanted = std::move(wanted);
    m_canvasKnown = std::move(canvasKnown);
}

QSize StoredPictures::copyCanvas() const {
    std::lock_guard lock(m_mutex);
    return m_copyCanvas;
}

void StoredPictures::noteCanvas(QSize canvasSize) {
    if (canvasSize.width() <= 2 || canvasSize.height() <= 2) return;  // not laid out yet
    std::function<void()> known;
    {
        std::lock_guard lock(m_mutex);
        if (m_copyCanvas.isEmpty()) known = m_canvasKnown;
        m_copyCanvas = m_copyCanvas.expandedTo(canvasSize);
    }
    if (known) known();
}

bool StoredPictures::holdsLargeEnough(const std::string& file,
                                      const platform::FileStamp& stamp) const {
    const std::optional<CopyInfo> info = m_store->lookup(file, stamp);
    if (!info) return false;
    const QSize full(info->fullWidth, info->fullHeight);
    return covers({info->width, info->height}, rasterDecodeSize(full, copyCanvas(), true));
}

std::optional<DecodedPicture> StoredPictures::decode(const std::string& file,
                                                     const platform::FileStamp& stamp,
                                                     QSize canvasSize, bool autoScale) {
    if (pictureKindOf(file) != PictureKind::Raster) return std::nullopt;
    if (autoScale) noteCanvas(canvasSize);
    const std::optional<CopyInfo> info = m_store->lookup(file, stamp);
    if (!info) return std::nullopt;
    const QSize full(info->fullWidth, info->fullHeight);
    const QSize copySize(info->width, info->height);
    if (!covers(copySize, rasterDecodeSize(full, canvasSize, autoScale))) return std::nullopt;
    const std::optional<std::string> bytes = m_store->read(file, stamp);
    if (!bytes) return std::nullopt;
    DecodedPicture picture = decodeRasterBytes(*bytes, canvasSize, autoScale);
    if (!picture.isLoaded() || picture.fullSize != copySize) return std::nullopt;
    picture.fullSize = full;
    return picture;
}

void StoredPictures::decodedFromFile(const std::string& file, const platform::FileStamp& stamp,
                                     const DecodedPicture& picture, QSize canvasSize,
                                     bool autoScale) {
    if (picture.kind != PictureKind::Raster || pictureKindOf(file) != PictureKind::Raster) return;
    if (autoScale) noteCanvas(canvasSize);
    if (holdsLargeEnough(file, stamp)) return;
    // Decoded at the copy's size already: the filler need not read it again.
    const QSize copySize = rasterDecodeSize(picture.fullSize, copyCanvas(), true);
    if (picture.image.size() == copySize) {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_handedOver, [&](const HandedOver& h) { return h.file == file; });
        m_handedOver.push_back({file, stamp, picture.image, picture.fullSize});
        if (m_handedOver.size() > kHandedOver) m_handedOver.pop_front();
    }
    std::function<void(const std::string&)> wanted;
    {
        std::lock_guard lock(m_mutex);
        wanted = m_wanted;
    }
    if (wanted) wanted(file);
}

CopyResult StoredPictures::copy(const std::string& file, StorePriority priority,
                                const std::function<void()>& pause) {
    if (pictureKindOf(file) != PictureKind::Raster) return CopyResult::Failed;
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(file);
    if (!stamp || platform::fileTimeNow() - stamp->modified < PictureCache::kSettledAge)
        return CopyResult::Failed;
    const QSize canvas = copyCanvas();
    if (canvas.isEmpty()) return CopyResult::Failed;
    if (holdsLargeEnough(file, *stamp)) return CopyResult::Held;

    QImage image;
    QSize fullSize;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_handedOver.begin(), m_handedOver.end(),
                               [&](const HandedOver& h) { return h.file == file; });
        if (it != m_handedOver.end()) {
            if (it->stamp == *stamp &&
                it->image.size() == rasterDecodeSize(it->fullSize, canvas, true)) {
                image = it->image;
                fullSize = it->fullSize;
            }
            m_handedOver.erase(it);
        }
    }
    if (image.isNull()) {
        // Nothing larger than the room left is worth reading for the walk.
        if (priority == StorePriority::Background && !m_store->hasRoomFor(1))
            return CopyResult::Full;
        pause();
        std::string bytes;
        if (!platform::readFile(file, &bytes, platform::kPictureFileLimit).isOk())
            return CopyResult::Failed;
        pause();
        DecodedPicture decoded = decodeRasterBytes(bytes, canvas, true);
        if (!decoded.isLoaded()) return CopyResult::Failed;
        image = std::move(decoded.image);
        fullSize = decoded.fullSize;
        if (platform::fileStamp(file) != stamp) return CopyResult::Failed;  // changed meanwhile
    }
    pause();
    std::string extension;
    const std::string bytes = encodeCopy(image, &extension);
    if (bytes.empty()) return CopyResult::Failed;
    const CopyInfo info{image.width(), image.height(), fullSize.width(), fullSize.height()};
    switch (m_store->put(file, *stamp, info, bytes, extension, priority)) {
        case PictureStore::Put::Kept: return CopyResult::Held;
        case PictureStore::Put::Full: return CopyResult::Full;
        case PictureStore::Put::Failed: break;
    }
    return CopyResult::Failed;
}

}  // namespace display::ui
