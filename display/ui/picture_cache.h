#pragma once

#include <QSize>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "display/lru_cache.h"
#include "display/ui/picture_decoder.h"
#include "platform/file_stamp.h"

namespace display::ui {

inline constexpr std::size_t kPictureCacheBytes = std::size_t(64) << 20;

// Where a PictureCache looks before it reads a picture's file: the local
// picture store (stored_pictures.h). Any thread, several at once.
class PictureStoreHook {
public:
    virtual ~PictureStoreHook() = default;
    // The picture `file` at version `stamp` (settled) for that canvas, from
    // a copy; nullopt when there is none fit for it.
    virtual std::optional<DecodedPicture> decode(const std::string& file,
                                                 const platform::FileStamp& stamp,
                                                 QSize canvasSize, bool autoScale) = 0;
    // The picture `file` at version `stamp` (settled, unchanged while it was
    // read) was decoded from the file itself.
    virtual void decodedFromFile(const std::string& file, const platform::FileStamp& stamp,
                                 const DecodedPicture& picture, QSize canvasSize,
                                 bool autoScale) = 0;
};

// Pictures decoded for the display, kept as decodePicture made them (at the
// size they are drawn at), so that a slide show coming back to a picture, or
// a slide prepared ahead, shows it without decoding it again. A picture is
// found again only for the same file name, file size, last-write time (and,
// on POSIX, the same file: one renamed into place is new) and the same canvas
// size and scaling; a file changed since is decoded again. Bounded by the
// memory of the decoded pictures: the least recently used go first.
//
// With a store set (setStore), a picture not kept here is taken from the
// store when it holds a copy of that very version of the file, else from the
// file, which the store is then told of.
//
// Not kept: missing files, pictures that could not be decoded, files that
// changed while they were decoded, and files written within the last
// kSettledAge (a rewrite within the file system's time resolution would keep
// the stamp; a share's cached file times lag as long).
//
// Any thread, several at once.
class PictureCache {
public:
    static constexpr std::chrono::seconds kSettledAge{2};

    explicit PictureCache(std::size_t capacityBytes = kPictureCacheBytes);

    // decodePicture(file, canvasSize, autoScale), from the cache when it holds
    // the picture. The result shares its pixels with the cache: copy, never
    // modify in place.
    DecodedPicture decode(const std::string& file, QSize canvasSize, bool autoScale = true);
    // Whether decode would answer from the cache now.
    bool holds(const std::string& file, QSize canvasSize, bool autoScale = true) const;

    std::size_t bytes() const { return m_lru.cost(); }
    std::size_t count() const { return m_lru.size(); }
    std::size_t capacity() const { return m_lru.capacity(); }
    void clear() { m_lru.clear(); }

    // The store to look in (nullptr: none, the file is always read). Any
    // thread; a decode in progress finishes with the store it began with.
    void setStore(std::shared_ptr<PictureStoreHook> store);

    // The program's cache of kPictureCacheBytes. Never destroyed, so that a
    // decode still running at the end of the process finds it.
    static PictureCache& shared();

private:
    struct Key {
        std::string file;
        platform::FileStamp stamp;
        int width = 0, height = 0;
        bool autoScale = true;
        auto operator<=>(const Key&) const = default;
    };
    static Key keyOf(const std::string& file, const platform::FileStamp& stamp, QSize canvasSize,
                     bool autoScale);

    std::shared_ptr<PictureStoreHook> store() const;

    LruCache<Key, DecodedPicture> m_lru;
    mutable std::mutex m_storeMutex;
    std::shared_ptr<PictureStoreHook> m_store;
};

}  // namespace display::ui
