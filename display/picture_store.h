#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_stamp.h"
#include "platform/private_folder.h"
#include "platform/status.h"

namespace display {

// The sizes of a copy in the store.
struct CopyInfo {
    int width = 0, height = 0;          // the copy's own pixels
    int fullWidth = 0, fullHeight = 0;  // the original picture's
};

// Why a copy is made: a picture the display showed (it may push out the
// least recently shown), one of the slide show list (it may push out only
// copies never shown), or one that may be shown some day (it only fills room
// that is free).
enum class StorePriority { Shown, Listed, Background };

// The local picture store ([PictureStore]): display-size copies of the shop's
// pictures in a private folder on this machine, so that showing a picture
// that lies on the point-of-sale's share reads a few tens of kilobytes from
// the local disk instead of the whole camera file over the network.
//
// A copy is kept under its original's full path (keyOf: the native path the
// name resolves to, without regard to case on Windows) together with the
// original's stamp when the copy was made (size, modification and change
// time, identity: platform/file_stamp.h). It is given out only for that very
// stamp, so a changed, replaced or renamed-over picture is never shown from
// the store, and only when its bytes are still those written (their length
// and a checksum kept in the index).
//
// On disk: the copies under unpredictable names (16 hexadecimal digits and
// ".jpg" or ".png"), the index `index` (written whole through a new file
// renamed into place) and the lock file `lock`, which one display holds while
// it uses the store. Bounded by the copies' bytes: the least recently shown
// go first. Anything else found in the folder (a planted file or link, a copy
// the index no longer names, a leftover new file) is removed when the store is
// opened and is never read.
//
// Any thread, several at once: one lock over the index, never held while a
// copy is read or written.
class PictureStore {
public:
    static constexpr std::uint64_t kIndexLimit = std::uint64_t(64) << 20;
    static constexpr std::uint64_t kCopyLimit = std::uint64_t(32) << 20;

    // Opens the store in the private folder `below` under `base`
    // (platform::PrivateFolder::open) holding at most `capacityBytes` of
    // copies, and takes its lock. nullptr, with the reason in `why`, when the
    // folder is not safe or another display holds the store.
    static std::unique_ptr<PictureStore> open(const std::string& base,
                                              const std::vector<std::string>& below,
                                              std::uint64_t capacityBytes, std::string* why);
    // The store of this user on this machine: lumisett/pictures in
    // platform::userCacheFolder().
    static std::unique_ptr<PictureStore> openUsers(std::uint64_t capacityBytes, std::string* why);

    // Writes the index when it changed.
    ~PictureStore();
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // What a copy is kept under: the native path `original` (program form)
    // names; "" when it names none.
    static std::string keyOf(const std::string& original);

    // The sizes of the copy of `original` made from the version `stamp`;
    // nullopt when there is none. Reads no file.
    std::optional<CopyInfo> lookup(const std::string& original,
                                   const platform::FileStamp& stamp) const;
    // The bytes of that copy, which becomes the most recently shown. nullopt
    // when there is none or its file is no longer what was written (gone,
    // changed, a link): that copy is then forgotten.
    std::optional<std::string> read(const std::string& original, const platform::FileStamp& stamp);

    enum class Put { Kept, Full, Failed };
    // Keeps `bytes` ("jpg" or "png" as `extension`) as the copy of
    // `original` at `stamp`, replacing an older copy of it. Full when it does
    // not fit: a copy larger than the whole store, or one its priority may
    // not make room for. A Shown copy becomes the most recently shown.
    Put put(const std::string& original, const platform::FileStamp& stamp, const CopyInfo& info,
            const std::string& bytes, const std::string& extension, StorePriority priority);
    // Whether a Background copy of `bytes` bytes would find room now.
    bool hasRoomFor(std::uint64_t bytes) const;

    // Writes the index when it changed since it was last written.
    platform::Status flush();

    std::uint64_t bytes() const;
    std::size_t count() const;
    std::uint64_t capacity() const;
    // A new bound: copies beyond it go at once, least recently shown first.
    void setCapacity(std::uint64_t capacityBytes);
    const std::string& folder() const { return m_folder->path(); }

private:
    struct Entry {
        std::string name;  // the copy's file in the folder
        std::uint64_t bytes = 0, checksum = 0;
        CopyInfo info;
        platform::FileStamp stamp;  // the original's, when copied
        std::uint64_t shown = 0;    // the store's clock at its last showing; 0 never
        std::uint64_t added = 0;    // the clock when it was kept
    };
    PictureStore(std::unique_ptr<platform::PrivateFolder> folder, std::uint64_t capacity);
    void load();
    std::string indexText() const;
    // Removes entries, least recently shown first (with `onlyUnshown`, only
    // those never shown), until `room` bytes fit; the names of their files go
    // to `gone`. False when they cannot.
    bool makeRoomLocked(std::uint64_t room, bool onlyUnshown, std::vector<std::string>* gone);
    void eraseLocked(std::map<std::string, Entry>::iterator it, std::vector<std::string>* gone);
    void removeFiles(const std::vector<std::string>& names) const;

    std::unique_ptr<platform::PrivateFolder> m_folder;
    mutable std::mutex m_mutex;
    std::uint64_t m_capacity;
    std::map<std::string, Entry> m_entries;  // by key
    std::uint64_t m_bytes = 0;
    std::uint64_t m_clock = 0;
    bool m_dirty = false;
    std::mutex m_flushMutex;  // one index write at a time
};

// FNV-1a over `bytes`: what the index keeps of each copy's content.
std::uint64_t storeChecksum(const std::string& bytes);

}  // namespace display
