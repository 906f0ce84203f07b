#pragma once

#include <string>
#include <string_view>

#include "tables/numeric_text.h"

// The xBase-style value rules the whole program relies on, in one place.
namespace core {

// Numbers in text, as DBF numeric fields hold them (tables/numeric_text.h).
using tables::formatNumber;
using tables::formatNumberTrimmed;
using tables::numericValue;

// Upper and lower case in the program's 8-bit character set (Windows-1252):
// a-z and the accented letters; every other byte stays.
char upperChar(char c);
char lowerChar(char c);
std::string upper(std::string_view text);
std::string lower(std::string_view text);

// Trailing blanks removed (blanks only, as RTrim does).
std::string rtrim(std::string_view text);
// Leading blanks removed.
std::string ltrim(std::string_view text);
// Leading and trailing blanks removed.
std::string alltrim(std::string_view text);

// True when the text holds nothing but blanks, tabs, CR and LF.
bool isEmptyText(std::string_view text);

// Every occurrence of `what` in `text` replaced by `with` (case-sensitive).
std::string replaceAll(std::string_view text, std::string_view what, std::string_view with);

}  // namespace core
