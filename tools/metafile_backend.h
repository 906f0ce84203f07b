#pragma once

#include <optional>
#include <string>
#include <string_view>

// The library that converts an EMF inside the conversion child
// (cmd_convert.cpp), one per platform (display/metafile_child.h says what
// each writes): libemf2svg where it exists (metafile_backend_emf2svg.cpp),
// GDI on Windows (metafile_backend_gdi.cpp, through platform/emf_drawing.h).
namespace tools {

// The bytes the child writes to OUT for `emf`, which has passed
// display::checkEmf. `width` x `height` is the size to draw at, for a library
// that draws (display::kMetafileChildDraws); the child checked it against
// display::kMetafileChildMaxPixels. nullopt when the library refuses the file.
std::optional<std::string> convertEmf(std::string_view emf, int width, int height);

}  // namespace tools
