#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace errors {

// Word-wraps `text` into lines of at most `width` characters by the memo-line
// rules: a line breaks after the last blank that fits; a word longer than
// `width` is cut at `width`; CR LF (or a lone LF) ends a line; a tab moves to
// the next multiple of kTabWidth within the line. Blanks at a soft break are
// dropped; lines keep their other blanks. Empty text gives no lines; a final
// CR LF does not add an empty line. `width` below 1 counts as 1.
std::vector<std::string> memoLines(std::string_view text, int width);

inline constexpr int kTabWidth = 4;

// The lines of memoLines with trailing blanks removed, joined by ";" (the
// separator of the error handler's texts). "" for empty text.
std::string LineSplit(std::string_view cText, int nWidth);

}  // namespace errors
