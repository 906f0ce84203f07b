#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/status.h"

namespace platform {

// Whole-file and folder operations on program-form paths (see path.h). Text is
// 8-bit and kept byte for byte; nothing is converted. All thread-safe.

// Only regular files count as files: a FIFO, a device, a socket (or a link to
// one) is treated as absent everywhere, since reading one could block or never
// end. Links to regular files and folders are followed.
bool fileExists(const std::string& path);  // a regular file or a folder
bool isFile(const std::string& path);      // a regular file

// Reads the whole file into `content`. The open never blocks. NotFound when
// it does not exist or is a FIFO, device or socket (see above); IoError for a
// folder; TooLarge, with nothing kept, when it holds more than `limit` bytes
// (read_limits.h names the limit of each kind of file).
Status readFile(const std::string& path, std::string* content, std::uint64_t limit);

// Creates or replaces the file with `content`.
Status writeFile(const std::string& path, const std::string& content);

// Writes `content` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`: readers see the old file or the new one, never a
// truncated one. On failure the old file is untouched and the temporary removed.
Status writeFileAtomic(const std::string& path, const std::string& content);

Status removeFile(const std::string& path);
// Renames `from` to `to`, replacing `to` when it exists.
Status renameFile(const std::string& from, const std::string& to);

// The current drive letter (Windows), or nullopt where there are none.
std::optional<char> currentDrive();
// The current directory of the current drive in native form, with its drive
// and without its leading separator ("SHOP\DISPLAY" for C:\SHOP\DISPLAY;
// "home/shop" for /home/shop).
std::string currentDirectoryWithoutDrive();

// Pauses the calling thread.
void sleepHundredths(int hundredths);

// The host name of this computer, or "" when there is none (POSIX).
std::string hostName();

// Operating system's text for an error code (errno, or GetLastError on Windows).
std::string osErrorText(int osCode);

// The text for a file that another process holds: Windows' own for its
// ERROR_SHARING_VIOLATION (code 32, which the table engine reports its lock
// conflicts with on every system); elsewhere, where errno 32 is a broken pipe,
// Windows' English sentence.
std::string sharingViolationText();

}  // namespace platform
