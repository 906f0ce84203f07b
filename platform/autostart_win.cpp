#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/autostart.h"
#include "platform/system_info.h"

namespace platform {
namespace {

bool isProgram(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

}  // namespace

std::optional<std::string> autostartFolder() { return std::nullopt; }

std::string installedProgram(const std::string& name) {
    const std::string file = name + ".exe";
    const std::string self = programPath();
    const std::size_t sep = self.find_last_of("\\/");
    if (sep != std::string::npos && isProgram(self.substr(0, sep + 1) + file)) {
        return self.substr(0, sep + 1) + file;
    }
    char found[MAX_PATH];
    const DWORD n = SearchPathA(nullptr, file.c_str(), nullptr, MAX_PATH, found, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(found, n) : std::string();
}

}  // namespace platform
