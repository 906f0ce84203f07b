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

void PictureCache::setStore(std::shared_ptr<PictureStoreHook> store) {
    std::lock_guard lock(m_storeMutex);
    m_store = std::move(store);
}

std::shared_ptr<PictureStoreHook> PictureCache::store() const {
    std::lock_guard lock(m_storeMutex);
    return m_store;
}

DecodedPicture PictureCache::decode(const std::string& file, QSize canvasSize, bool autoScale) {
    const auto before = platform::fileStamp(file);
    if (!before) return decodePicture(file, canvasSize, autoScale);
    const Key key = keyOf(file, *before, canvasSize, autoScale);
    if (auto kept = m_lru.get(key)) return std::move(*kept);

    const bool settled = platform::fileTimeNow() - before->modified >= kSettledAge;
    const std::shared_ptr<PictureStoreHook> store = settled ? this->store() : nullptr;
    std::optional<DecodedPicture> stored;
    if (store) stored = store->decode(file, *before, canvasSize, autoScale);
    DecodedPicture picture =
        stored ? std::move(*stored) : decodePicture(file, canvasSize, autoScale);
    if (picture.isLoaded() && settled && platform::fileStamp(file) == before) {
        m_lru.put(key, picture, memoryOf(picture));
        if (store && !stored) store->decodedFromFile(file, *before, picture, canvasSize, autoScale);
    }
    return picture;
}

}  // namespace display::ui
