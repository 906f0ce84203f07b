#pragma once

#include <cstdint>

#include "platform/os.h"

// The out-of-process metafile conversion: the display hands a metafile to
// `lumisett-tool convert-metafile IN OUT [WIDTH HEIGHT]` (a subcommand that
// --help does not list), so that a picture that crashes or exhausts the
// converting library takes down that child only. Both sides agree on what
// follows.
//
// What OUT holds depends on the child's library (tools/metafile_backend.h):
// - elsewhere than Windows, an SVG document (libemf2svg); WIDTH and HEIGHT
//   are not given;
// - on Windows, the picture drawn by GDI at WIDTH x HEIGHT pixels on white,
//   as a 32-bit bottom-up BMP file.
namespace display {

inline constexpr const char* kConvertMetafileCommand = "convert-metafile";

// true: OUT is a BMP of the asked size (Windows); false: an SVG document.
inline constexpr bool kMetafileChildDraws = platform::kWindows;

// Exit codes of the child. Anything else (another code, a signal, an
// exception, the time limit) is a failed conversion. Not 3: that is what
// abort() leaves on Windows.
inline constexpr int kMetafileConverted = 0;  // OUT holds the picture
inline constexpr int kMetafileRefused = 4;    // sound, but this converter cannot draw it

// What the child may use; it sets them on itself before reading the picture
// (resource limits, or a job object on Windows). The parent also stops it
// after its time limit (MetafileConverter).
inline constexpr std::uint64_t kMetafileChildMemory = 1024ull * 1024 * 1024;
inline constexpr int kMetafileChildCpuSeconds = 20;
// The largest WIDTH x HEIGHT the child draws (4 bytes a pixel).
inline constexpr std::int64_t kMetafileChildMaxPixels = 120'000'000;

}  // namespace display
