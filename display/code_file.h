#pragma once

#include <string>
#include <string_view>

// The text rules of the display cycle: what a code file or a slide show entry
// names, and which station a code file belongs to.
namespace display {

struct ParsedEntry {
    std::string code;    // the item code, or "" when the entry names none
    std::string target;  // candidate picture: cPath + "\" + the entry
};

// Parses an entry E (the code file's content, or a slide show list entry):
// trailing characters with a code at or below 32 dropped while more than 5
// remain; a value of more than 8 characters holding a "." is a file name whose
// base name (between the last separator and the first "." after it) is the
// code; a value without "." is the code itself; anything else gives "".
ParsedEntry parseEntry(std::string_view entry, const std::string& cPath);

// The station name from the code file path: the folder that holds IMAGE.TMP
// (matched without regard to case, right after a separator). Keeps `current`
// when the path names none; the result is always enclosed in parentheses
// ("()" for an empty name).
std::string stationName(const std::string& cCodeFile, const std::string& current);

}  // namespace display
