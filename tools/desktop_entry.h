#pragma once

#include <string>
#include <string_view>

// The desktop entry that starts the display at log-on on a Linux desktop
// (lumisett-tool autostart). Pure text rules of the freedesktop.org desktop
// entry format; any thread.
namespace tools {

// A string value (Name=, Path=) with its escapes: "\\" for a backslash, "\n",
// "\t" and "\r" for those characters, "\s" for a blank at the start.
std::string desktopString(std::string_view text);

// One argument of an Exec= value, before desktopString: in double quotes when
// it is empty or holds a blank or any other character reserved there, with
// '"', '`', '$' and '\' behind a backslash inside the quotes; every '%'
// doubled, since a single one starts a field code.
std::string execArgument(std::string_view argument);

// Whether `text` is well-formed UTF-8, which a desktop entry must be.
bool isUtf8(std::string_view text);

// The file name of the entry for `profile` ("lumisett-TILL1.desktop").
std::string autostartFileName(const std::string& profile);

// The whole entry: an application named after the profile that starts
// `program profile` (native path; the profile as its only argument) in the
// folder `folder` (native path). Lines end in LF.
std::string autostartEntry(const std::string& program, const std::string& profile,
                           const std::string& folder);

}  // namespace tools
