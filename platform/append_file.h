#pragma once

#include <string>

#include "platform/status.h"

namespace platform {

// Appends `text` at the end of the regular file `path` (program form), in
// one write, creating the file when there is none (with `head` first). A
// symbolic link at the name is refused, not followed, and so is a file with a
// second (hard) link; a FIFO, device or
// folder there is refused without blocking (IoError or NotFound). A failure
// leaves what the file held before whole. The write counts as one write for
// the tests' write faults (write_faults.h). Thread-safe.
Status appendToFile(const std::string& path, const std::string& text, const std::string& head = "");

}  // namespace platform
