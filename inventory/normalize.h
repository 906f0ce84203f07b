#pragma once

#include <string>
#include <string_view>

namespace inventory {

// Expands a short typed item code to its full 7-character form and drops a "/"
// suffix: trailing blanks removed; a code of 8 or 9 characters with "/" in 8th
// place is cut to 7; a code of 4 to 6 characters, or of 3 whose third character
// is a digit 1-9, gets a filler after its first two characters ("0"s, or "-"s
// when its numeric value is 0 or it begins with "00"). Anything else comes back
// as trimmed. Pure: no upper-casing, no check that the code exists.
std::string Normalize(std::string_view cCode);

}  // namespace inventory
