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

// Creates `path` as a new file holding `content`. Nothing may be at `path`
// yet: a file, a folder, a FIFO or a symbolic link there (even one to
// nowhere) makes it fail (nameTaken), and nothing is written through it. For
// a file in a folder of the program's own (metafile_converter.cpp); a file
// that others may see half-written goes through writeFileAtomic.
Status writeNewFile(const std::string& path, const std::string& content);

// Writes `content` to a new temporary file beside `path`
// (TemporaryFile::create: an unpredictable name, created new, never through
// a link), flushes it to disk and renames it over `path`: readers see the old
// file or the new one, never a truncated one, and a symbolic link or a FIFO at
// `path` is replaced, never written through (a folder there makes it fail).
// On failure the old file is untouched and the temporary removed.
// Defined in temporary_file.cpp.
Status writeFileAtomic(const std::string& path, const std::string& content);

// Whether a failed create of a new file failed because something (a file, a
// folder, a FIFO, a link) already has the name.
bool nameTaken(const Status& status);

// Whether the folder of `path` is one where others may put or swap files
// under this user's feet: it belongs to another user (nor to root), and the
// group or everybody may write in it, without the sticky bit that would keep
// them from removing or renaming this user's files. Also true for such a
// folder reached through a link. False for a folder that cannot be found (the
// write then fails by itself). Always false on Windows, where folder access
// lists decide.
bool folderOpenToOthers(const std::string& path);

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
