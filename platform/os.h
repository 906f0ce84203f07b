#pragma once

// Which operating system this build is for, for the few places where only a
// value differs and the code for either system compiles everywhere. Where the
// code itself differs, it goes behind a face of this layer instead: a
// declaration here, a *_posix.cpp and a *_win.cpp file chosen by the build.
namespace platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// What the name of a program file ends in: ".exe" on Windows, nothing elsewhere.
inline constexpr const char* kExecutableSuffix = kWindows ? ".exe" : "";

}  // namespace platform
