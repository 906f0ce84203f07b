#pragma once

#include <QImage>
#include <QSize>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "display/picture_store.h"
#include "display/picture_store_filler.h"
#include "display/ui/picture_cache.h"

namespace display::ui {

// The local picture store as the display's decoding sees it: copies of
// raster pictures at the largest size the display has drawn pictures at (the
// largest canvas seen), as JPEG (quality kCopyQuality) or, for a picture with
// transparent pixels, as PNG.
//
// A copy serves a decode when it was made from the very version of the file
// (PictureStore) and is at least as large as the decode would be from the
// file; the decoded picture then has the original's own size as its full size,
// so that it is laid out as the file would be. Otherwise the file is read, as
// without a store, and the filler is asked to copy it.
//
// Any thread, several at once.
class StoredPictures : public PictureStoreHook {
public:
    static constexpr int kCopyQuality = 90;
    // Pictures decoded from their file and kept until the filler copies them
    // without reading the file again.
    static constexpr std::size_t kHandedOver = 4;

    explicit StoredPictures(std::unique_ptr<PictureStore> store);

    PictureStore& store() { return *m_store; }

    // `wanted` hears of every picture decoded from its file that the store
    // lacks (the filler's want); `canvasKnown` of the first canvas seen
    // (called when it is set after that). Any thread.
    void setListeners(std::function<void(const std::string& file)> wanted,
                      std::function<void()> canvasKnown);

    std::optional<DecodedPicture> decode(const std::string& file, const platform::FileStamp& stamp,
                                         QSize canvasSize, bool autoScale) override;
    void decodedFromFile(const std::string& file, const platform::FileStamp& stamp,
                         const DecodedPicture& picture, QSize canvasSize, bool autoScale) override;

    // Makes the copy of `file` (program form) at the copy size unless the
    // store holds one made from its current version at least that large;
    // calls `pause` between reading, decoding and writing. A file changed
    // within PictureCache::kSettledAge, or while it was read, is not copied.
    // The filler's CopyFn.
    CopyResult copy(const std::string& file, StorePriority priority,
                    const std::function<void()>& pause);

    // The canvas copies are made for: the largest width and height seen in
    // decodes with scaling; empty before the first.
    QSize copyCanvas() const;
    void noteCanvas(QSize canvasSize);

private:
    struct HandedOver {
        std::string file;
        platform::FileStamp stamp;
        QImage image;
        QSize fullSize;
    };
    // Whether the store's copy for `stamp` is as large as a copy made now.
    bool holdsLargeEnough(const std::string& file, const platform::FileStamp& stamp) const;

    std::unique_ptr<PictureStore> m_store;
    std::function<void(const std::string&)> m_wanted;
    std::function<void()> m_canvasKnown;
    mutable std::mutex m_mutex;
    QSize m_copyCanvas;
    std::deque<HandedOver> m_handedOver;
};

// The bytes of `image` as a store copy: JPEG, or PNG when it has transparent
// pixels; "jpg" or "png" in `extension`.
std::string encodeCopy(const QImage& image, std::string* extension);

}  // namespace display::ui
