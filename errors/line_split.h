#pragma once

#include <string>
#include <string_view>

namespace errors {

// Word-wraps `cText` into lines of at most `nWidth` characters by the
// memo-line rules, removes each line's trailing blanks and joins them by ";"
// (the separator of the error handler's texts). A line breaks after the last
// blank that fits; a word longer than the width is cut at it; CR LF (or a
// lone LF) ends a line; a tab moves to the next multiple of 4 within the
// line. Blanks at a soft break are dropped. Empty text gives ""; a final
// CR LF does not add an empty line. A width below 1 counts as 1.
std::string LineSplit(std::string_view cText, int nWidth);

}  // namespace errors
