#pragma once

#include <string>
#include <string_view>

// Numbers in text as xBase writes them: the values of DBF numeric fields, and
// the program's own rules for reading and showing numbers (core/xbase_values.h
// passes them on).
namespace tables {

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

}  // namespace tables
