#pragma once

#include <optional>
#include <string>
#include <string_view>

// The library that turns an EMF into an SVG document inside the conversion
// child (cmd_convert.cpp), one per platform: libemf2svg where it exists
// (metafile_backend_emf2svg.cpp); none yet on Windows (metafile_backend_none.cpp).
namespace tools {

// `emf` has passed display::checkEmf. nullopt when the library refuses it.
std::optional<std::string> emfToSvg(std::string_view emf);

}  // namespace tools
