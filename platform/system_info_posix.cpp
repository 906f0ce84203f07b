#include <sys/utsname.h>
#include <unistd.h>

#include <string>

#include "platform/system_info.h"

namespace platform {

std::string programPath() {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "";
    buf.resize(std::size_t(n));
    return buf;
}

std::string osDescription() {
    struct utsname u;
    if (::uname(&u) != 0) return "unknown";
    return std::string(u.sysname) + " " + u.release;
}

void useParentConsole() {}

void setStdoutBinary() {}

}  // namespace platform
