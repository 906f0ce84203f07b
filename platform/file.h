#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

// Open handles on table and index files, with the sharing and byte-range
// locks the point-of-sale's engines rely on.
//
// Sharing between opens (whole-file):
// - Windows: share modes. A shared open allows other readers and writers
//   (FILE_SHARE_READ | FILE_SHARE_WRITE); an exclusive open allows nothing.
//   A refusal is ERROR_SHARING_VIOLATION (32).
// - Linux: open-file-description locks (F_OFD_SETLK), which conflict between
//   any two opens, also two opens inside one process. A shared open takes a
//   read lock, an exclusive open a write lock, on the one byte at
//   kShareMarkerOffset, far beyond any data and beyond every range the
//   point-of-sale's lock schemes use (1,000,000,000 to 2,000,000,000, the
//   variant 4,000,000,000 to 0xFFFFFFFF, the index lock 0xFFFFFFFF). A
//   refusal is reported as Locked with osCode 32, as on Windows.
//   A write lock needs write access; an exclusive open of a file that can
//   only be read falls back to the read lock (it then keeps writers out, not
//   readers).
//
// Byte-range locks (lock/unlock) are the coordination locks between engines
// (dbf.md and ntx.md: header, record and index locks from 1,000,000,000).
// They never cover data. On POSIX a handle opened read-only cannot take a
// write lock, so an exclusive lock request on such a handle takes a read lock
// on the range: it still waits for, and keeps out, any writer's lock.
//
// A File is used by one thread at a time; different Files are independent.
class File {
public:
    virtual ~File() = default;

    // Reads up to `length` bytes at `offset`; `*got` is what was read (less
    // at the end of the file).
    virtual Status readAt(std::uint64_t offset, void* buffer, std::size_t length,
                          std::size_t* got) = 0;
    // Writes all `length` bytes at `offset`, growing the file when needed.
    virtual Status writeAt(std::uint64_t offset, const void* data, std::size_t length) = 0;
    virtual Status size(std::uint64_t* bytes) = 0;
    virtual Status truncate(std::uint64_t bytes) = 0;
    // Flushes written data to the disk.
    virtual Status sync() = 0;
    // Takes a byte-range lock, waiting up to `waitMs` milliseconds for a
    // conflicting one to go (0: try once). Locked when it could not be had.
    virtual Status lock(std::uint64_t offset, std::uint64_t length, bool exclusive,
                        int waitMs) = 0;
    virtual Status unlock(std::uint64_t offset, std::uint64_t length) = 0;
};

enum class Access { ReadOnly, ReadWrite };
enum class Share { Shared, Exclusive };

// How to open: Existing opens a file that must exist; CreateNew creates a
// file that must not exist yet, never through a link: anything at the name (a
// file, a folder, a FIFO, a symbolic link even to nowhere) makes it fail
// (nameTaken, fs.h); Replace creates or empties it in place, through a link
// at the name. The program itself never replaces a file in place: it writes a
// new one beside (TemporaryFile) and renames it over the old one. Replace is
// for the tools that stand in for other programs (the point-of-sale
// simulator, the benchmarks).
enum class Disposition { Existing, CreateNew, Replace };

struct OpenMode {
    Access access = Access::ReadOnly;
    Share share = Share::Shared;
    Disposition disposition = Disposition::Existing;
    // false: a symbolic link (Windows: a reparse point) at the path itself is
    // refused (IoError) instead of followed.
    bool followLinks = true;
};

// The marker byte of the whole-file sharing scheme on Linux (see above).
inline constexpr std::uint64_t kShareMarkerOffset = 0x7FFFFFFF00000000ULL;

// Opens the file at `path` (program form, see path.h). Only a regular file
// is opened, and the open never blocks: a FIFO, device or socket (or a link
// to one) is refused as NotFound, a folder with IoError. NotFound when it does
// not exist; Locked (osCode 32) when the sharing refuses it; IoError else.
// Thread-safe.
Status openFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* file);

// A file held in memory, for tests and the fuzz targets: reads and writes go
// to `bytes`, which stays shared with the caller. Locks always succeed.
// `failAfterWrites`, when >= 0, makes every write after that many fail with
// IoError (to test failure paths).
std::unique_ptr<File> memoryFile(std::shared_ptr<std::string> bytes, int failAfterWrites = -1);

}  // namespace platform
