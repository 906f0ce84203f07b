#pragma once

#include <sys/types.h>

#include <string>

#include "platform/status.h"

// The one way the POSIX layer opens files (file_posix.cpp, fs_posix.cpp).
namespace platform::posix {

// errno as a Status: ENOENT and ENOTDIR are NotFound, the rest IoError.
Status errnoStatus(const std::string& what, const std::string& path, int err);

// Opens `native` with `flags` (O_CLOEXEC added) so that the open itself can
// never block, and keeps the descriptor only when it is a regular file: a
// FIFO, device or socket (also behind a symbolic link) is refused as NotFound,
// a folder as IoError (EISDIR). With `followLinks` false a symbolic link at
// `native` is refused (IoError, ELOOP). `path` names the file in messages.
// The descriptor is left blocking, as usual for regular files.
Status openRegular(const std::string& path, const std::string& native, int flags, mode_t mode,
                   bool followLinks, int* fd);

}  // namespace platform::posix
