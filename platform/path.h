#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/os.h"

namespace platform {

// What separates the components of a native path (what the system's own file
// dialogs give): "\\" on Windows, "/" elsewhere.
inline constexpr char kNativeSeparator = kWindows ? '\\' : '/';

// Paths inside the program keep the Windows form the shop's files use
// ("C:\POS\image.tmp", cPath + "\images\"). Only this layer turns them into
// native paths.
//
// On Windows a path is passed through unchanged.
//
// On POSIX:
// - "\" and "/" both separate components.
// - A leading drive letter ("C:") is dropped, so "C:\POS\image.tmp" names
//   "/POS/image.tmp" (and, by the case rule below, "/pos/image.tmp").
//   A drive-relative "C:POS" is read as "POS" relative to the current folder.
// - "\\server\share\rest" maps to <UNC root>/server/share/rest when a UNC root
//   is set (setUncRoot, or the environment variable LUMISETT_UNC_ROOT), and
//   cannot be mapped otherwise. A path beginning with two separators but with
//   fewer than two names after them is not a UNC path and counts as rooted.
// - Each component is matched without regard to case when the exact name does
//   not exist (ISTOCK.DBF and istock.dbf are the same file, as on Windows).
//   Components that match nothing are kept as written, so a file about to be
//   created gets the name the program gave it.
//
// Returns nullopt when the path cannot be mapped (a UNC path with no UNC
// root). Thread-safe.
std::optional<std::string> toNative(std::string_view programPath);

// The root under which UNC paths are looked for on POSIX ("" = none).
void setUncRoot(std::string root);

// True for a character that separates path components in a text the user typed
// or chose: "\" and "/" (on POSIX chosen paths are native; Windows' own file
// functions accept "/" too).
bool isSeparator(char c);

// Position of the last separator in `path` (isSeparator), or npos.
std::size_t lastSeparator(std::string_view path);

}  // namespace platform
