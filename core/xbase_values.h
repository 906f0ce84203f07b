#pragma once

#include <string>
#include <string_view>

// The xBase-style value rules the whole program relies on, in one place.
namespace core {

// The numeric value of a text: leading blanks skipped, an optional sign, then
// digits with at most one decimal point, read up to the first other character.
// 0 when the text does not begin with a number ("AB--123", "", "***").
double numericValue(std::string_view text);

// `value` rounded to `decimals` places (half away from zero, on the decimal
// digits the number shows, so a stored 2.675 gives 2.68), right-aligned in
// `width` characters and padded with blanks on the left. A value that needs
// more than `width` characters gives `width` asterisks. decimals 0 writes no
// decimal point.
std::string formatNumber(double value, int width, int decimals);

// The number rounded to `decimals` places, without padding ("-3", "12.50").
std::string formatNumberTrimmed(double value, int decimals);

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
