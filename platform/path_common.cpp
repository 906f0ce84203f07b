#include "platform/path.h"

namespace platform {

std::size_t lastSeparator(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) return i - 1;
    }
    return std::string_view::npos;
}

}  // namespace platform
