#include "tools/metafile_backend.h"

namespace tools {

// No EMF library in this build: every metafile goes on to the office converter.
std::optional<std::string> emfToSvg(std::string_view) { return std::nullopt; }

}  // namespace tools
