#include "platform/emf_drawing.h"
#include "tools/metafile_backend.h"

namespace tools {

std::optional<std::string> convertEmf(std::string_view emf, int width, int height) {
    return platform::drawEmf(emf, width, height);
}

}  // namespace tools
