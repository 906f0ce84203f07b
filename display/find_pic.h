#pragma once

#include <string>

namespace display {

// Finds the picture of the item `cCode` under the data path `cPath` (program
// form, "C:\POS"). Looks in three places, stopping at the first that holds any
// of the code's pictures:
//   1. cPath\CODE.ext
//   2. cPath\images\CODE.ext
//   3. cPath\images\PP\CODE.ext, PP being the code's first character when the
//      code has 5 characters and its first two otherwise;
// and in that place prefers .jpg, then .bmp, .gif, .png. "*" and "/" are
// removed from the code first. Names match without regard to case
// (platform::fileExists). Returns cPath + "\" + the name found, or "" when the
// item has no picture. Reads only the file system; any thread.
std::string FindPic(std::string cCode, std::string cPath);

}  // namespace display
