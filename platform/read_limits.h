#pragma once

#include <cstdint>

// How much of each kind of file the program reads whole (platform::readFile's
// `limit`). Every limit lies far above what a real file of that kind holds and
// far below what would hurt the display: a file beyond its limit is refused
// with a message that says so, never read in part or in full.
namespace platform {

// The point-of-sale's code file (image.tmp): one item code or one picture
// file name. Read at every turn of the data monitor.
inline constexpr std::uint64_t kCodeFileLimit = 4 * 1024;

// The parameter file (PROFILE.ini): five short sections.
inline constexpr std::uint64_t kParamFileLimit = 64 * 1024;

// helptext.txt, shown in the help viewer.
inline constexpr std::uint64_t kHelpTextLimit = 1024 * 1024;

// A picture (raster or metafile) and logo.bmp: room for an uncompressed BMP
// of the largest picture the decoder accepts (kMaxPicturePixels, 120 million
// pixels at 3 bytes), which no shop's camera reaches.
inline constexpr std::uint64_t kPictureFileLimit = 384ull * 1024 * 1024;

}  // namespace platform
