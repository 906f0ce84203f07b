#include "display/ui/picture_cache.h"

namespace display::ui {
namespace {

std::size_t memoryOf(const DecodedPicture& picture) {
    return std::size_t(picture.image.sizeInBytes()) + std::size_t(picture.svg.size()) +
           sizeof(DecodedPicture);
}

}  // namespace

PictureCache::PictureCache(std::size_t capacityBytes) : m_lru(capacityBytes) {}

PictureCache& PictureCache::shared() {
    static PictureCache* cache = new PictureCache;
    return *cache;
}

PictureCache::Key PictureCache::keyOf(const std::string& file, const platform::FileStamp& stamp,
                                      QSize canvasSize, bool autoScale) {
    return {file, stamp, canvasSize.width(), canvasSize.height(), autoScale};
}

bool PictureCache::holds(const std::string& file, QSize canvasSize, bool autoScale) const {
    const auto stamp = platform::fileStamp(file);
    return stamp && m_lru.contains(keyOf(file, *stamp, canvasSize, autoScale));
}

DecodedPicture PictureCache::decode(const std::string& file, QSize canvasSize, bool autoScale) {
    const auto before = platform::fileStamp(file);
    if (!before) return decodePicture(file, canvasSize, autoScale);
    const Key key = keyOf(file, *before, canvasSize, autoScale);
    if (auto kept = m_lru.get(key)) return std::move(*kept);

    DecodedPicture picture = decodePicture(file, canvasSize, autoScale);
    const bool settled = platform::fileTimeNow() - before->modified >= kSettledAge;
    if (picture.isLoaded() && settled && platform::fileStamp(file) == before) {
        m_lru.put(key, picture, memoryOf(picture));
    }
    return picture;
}

}  // namespace display::ui
