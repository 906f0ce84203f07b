#pragma once

#include <string>
#include <vector>

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

// The further views of the picture `first` (a picture file, as FindPic gives
// it): beside it, in its folder, the files named after its name with "_2",
// "_3", ... added (CH--123.jpg: CH--123_2.jpg, CH--123_3.png, ...), in any of
// the four formats, preferred in FindPic's order; the first number missing
// ends them, and at most kMaxViews are taken. Reads only the file system;
// any thread.
std::vector<std::string> FindViews(const std::string& first);
inline constexpr int kMaxViews = 20;

}  // namespace display
