#pragma once

#include <string_view>

// The key rules of the manual code entry field. Key codes are the toolkit's:
// printable characters as their 8-bit code, control keys 1 to 31 (backspace 8,
// tab 9, Enter 13, Escape 27), cursor and function keys above 255.
namespace settings {

// Codes 91 to 254 become the code of their upper-case form (a-z to A-Z, the
// accented letters of Windows-1252); every other code stays.
int upperKey(int nKey);

// True when the field's text `text` (after the key was handled) holds a
// complete code: not blank and the key is from 1 to 24, or longer than six
// characters without its trailing blanks.
bool codeComplete(int nKey, std::string_view text);

}  // namespace settings
