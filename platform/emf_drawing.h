#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Windows only (the build links it there alone): plays the enhanced metafile
// `emf` with the system's own player (GDI) into a picture of `width` x
// `height` pixels on white, and returns that picture as a 32-bit BI_RGB BMP
// file, rows bottom-up. nullopt when GDI refuses the file or the size. Other
// systems have no metafile player; their conversion child uses libemf2svg
// (tools/metafile_backend.h).
// The picture may be hostile and GDI's player is no sandbox: call it only in
// a process of its own that has limited itself (process_limits.h). Any thread.
std::optional<std::string> drawEmf(std::string_view emf, int width, int height);

}  // namespace platform
