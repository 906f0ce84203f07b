#pragma once

#include <string_view>

namespace display {

// True when `bytes` hold a whole JPEG stream: the start marker, then segments
// and entropy-coded data through to the end-of-image marker. A file cut short
// (a copy interrupted, a camera card pulled) lacks the end marker; the JPEG
// decoder would fill the missing part with grey and call it a success.
// Bytes after the end marker are allowed. Pure function; any thread.
bool jpegIsComplete(std::string_view bytes);

}  // namespace display
