#pragma once

#include <cstdint>

// The out-of-process metafile conversion: the display hands a metafile to
// `lumisett-tool convert-metafile IN OUT` (a subcommand that --help does not
// list), so that a picture that crashes or exhausts the converting library
// takes down that child only. Both sides agree on what follows.
namespace display {

inline constexpr const char* kConvertMetafileCommand = "convert-metafile";

// Exit codes of the child. Anything else (another code, a signal, the time
// limit) is a failed conversion.
inline constexpr int kMetafileConverted = 0;  // OUT holds an SVG document
inline constexpr int kMetafileRefused = 3;    // sound, but this converter cannot draw it

// What the child may use; it sets them on itself before reading the picture.
// The parent also stops it after its time limit (MetafileConverter).
inline constexpr std::uint64_t kMetafileChildMemory = 1024ull * 1024 * 1024;
inline constexpr int kMetafileChildCpuSeconds = 20;

}  // namespace display
