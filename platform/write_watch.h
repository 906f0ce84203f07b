#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Follows the writes to one file through its folder's change notification,
// to tell whether the program that last wrote the file has closed it since
// (Linux: inotify's IN_CLOSE_WRITE). Where the system cannot tell (Windows,
// network file systems that send no notification) it reports nothing. One
// thread.
class WriteWatch {
public:
    WriteWatch();
    ~WriteWatch();
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    // Follows `path` (program form) from now on: its folder as it is now
    // (a folder renamed away and made again is another one: call again).
    // False when it cannot be followed; "" follows nothing.
    bool watch(const std::string& path);

    // A descriptor that becomes readable when something happened to the
    // folder, for the caller's event loop; -1 when there is none.
    int descriptor() const;

    enum class Happened {
        Nothing,  // nothing to the file since the last take()
        Written,  // written (or created) and, as far as is known, still open
        Closed,   // closed after its last write, or a whole file renamed into place
    };
    // What the events read now say of the file, the last one counting.
    // Never blocks.
    Happened take();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// Whether a program has the file `path` (program form) open for writing now:
// on Windows an open that refuses to share writing fails while another
// program writes it. nullopt where the system cannot tell (POSIX) or there
// is no such file. Thread-safe.
std::optional<bool> openForWriting(const std::string& path);

// Identifies the folder (or file) at `path` (program form) as it is now: the
// device and inode on POSIX, the volume and file index on Windows. A folder
// renamed away and made again under the same name has another. nullopt
// when there is nothing there. Thread-safe.
std::optional<std::uint64_t> identityOf(const std::string& path);

}  // namespace platform
