#include "platform/path.h"

namespace platform {

// Windows' own file functions take "/" as a separator as well.
bool isSeparator(char c) { return c == '\\' || c == '/'; }

void setUncRoot(std::string) {}

// Windows understands the program's paths as they are: drive letters, UNC
// names and case-insensitive matching are the file system's own.
std::optional<std::string> toNative(std::string_view programPath) {
    return std::string(programPath);
}

}  // namespace platform
