#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/autostart.h"
#include "platform/system_info.h"

namespace platform {
namespace {

bool isProgram(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> autostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    return std::string(home) + "/.config/autostart";
}

std::string installedProgram(const std::string& name) {
    const std::string self = programPath();
    const std::size_t slash = self.rfind('/');
    if (slash != std::string::npos) {
        std::string sibling = self.substr(0, slash + 1) + name;
        if (isProgram(sibling)) return sibling;
    }
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        std::string dir = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        // An empty or relative entry names the current folder, which a start
        // at log-on does not share: only absolute ones count.
        if (dir.empty() || dir[0] != '/') continue;
        std::string candidate = dir + "/" + name;
        if (isProgram(candidate)) return candidate;
    }
    return "";
}

}  // namespace platform
