#pragma once

#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/status.h"

// A failing disk, as tests make one: every write operation of this layer
// counts one (a create, a File's writeAt, truncate and sync, writeFile, each
// of writeFileAtomic's create, write, flush and rename, renameFile). After
// failWritesAfter(n) the next n succeed and every later one fails with
// IoError, as on a full disk, until stopFailingWrites(). Removing a file never
// fails this way, so what a failed save cleans up still goes. Process-wide;
// thread-safe. Off unless a test turns it on.
namespace platform {

void failWritesAfter(int n);
void stopFailingWrites();

// For the implementations of this layer: the result of the write operation
// `what` on `path`, which is about to be done: IoError when it is to fail.
Status injectedWriteFault(const char* what, const std::string& path);

// `file` itself, or, while writes are being failed, `file` with its writes
// counted (for files opened then).
std::unique_ptr<File> withInjectedFaults(std::unique_ptr<File> file, const std::string& path);

}  // namespace platform
