#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// Where this user keeps caches on this machine, in native form: on POSIX
// $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; on Windows
// %LOCALAPPDATA%. nullopt when there is none (no such variable set).
std::optional<std::string> userCacheFolder();

// A folder of this user's alone that holds files of the program's own making
// (the local picture store). Its files are named by plain names (no
// separator, no "." or ".."); a name that is not plain is refused (Invalid).
//
// On POSIX the folder stays open while the object lives, so every file is
// reached through the folder that was checked: a folder swapped for a link
// afterwards is never followed. A file is read only when it is a regular file
// of this user's, never through a link; a file is written only as a new file,
// created exclusively under an unpredictable name with mode 0600 and renamed
// over its name, so a link or a foreign file planted at that name is replaced,
// never written through. On Windows the same holds of reparse points (links
// and junctions); the folder's privacy is that of the user's profile.
//
// Thread-safe: any thread, several at once.
class PrivateFolder {
public:
    // Opens `base` (native form; made with the missing folders above it when
    // absent) and then each folder of `below` in turn, making it with mode
    // 0700 when absent. Each folder of `below` must be a real folder (not a
    // link), belong to this user and, on POSIX, be closed to group and others
    // (a folder made earlier with a wider mode is narrowed when it is ours).
    // Otherwise IoError saying why, and nothing is opened.
    static Status open(const std::string& base, const std::vector<std::string>& below,
                       std::unique_ptr<PrivateFolder>* folder);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // The folder, native form.
    const std::string& path() const { return m_path; }

    // Reads the file `name` whole. NotFound when absent; IoError for a link,
    // anything but a regular file, or a file of another user's; TooLarge for
    // one of more than `limit` bytes.
    Status read(const std::string& name, std::string* content, std::uint64_t limit) const;
    // Writes `content` as `name` (see above). With `durable` the content is
    // on the disk before the rename. On failure `name` is as it was and the
    // new file is gone.
    Status write(const std::string& name, const std::string& content, bool durable = false) const;
    // Removes the entry `name`: a link itself, never what it points at.
    // Success when it is already gone.
    Status remove(const std::string& name) const;
    // The names of every entry (files, links, anything), without "." and "..".
    std::vector<std::string> names() const;

    // Takes the lock file `name` in the folder for this object's life: false
    // when another process (or another PrivateFolder) holds it, or it cannot
    // be made safely.
    bool lock(const std::string& name);

    // A name no one can guess: 16 hexadecimal digits from the system's
    // random source.
    static std::string unpredictableName();

private:
    PrivateFolder() = default;
    std::string m_path;
    std::intptr_t m_handle = -1;      // POSIX: the folder's descriptor
    std::intptr_t m_lockHandle = -1;  // the lock file's descriptor or handle
};

// Whether `name` is a plain file name (see PrivateFolder).
bool isPlainName(const std::string& name);

}  // namespace platform
