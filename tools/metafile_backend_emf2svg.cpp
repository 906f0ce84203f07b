#include <cstdlib>

#include "tools/metafile_backend.h"

extern "C" {
#include <emf2svg.h>
}

namespace tools {

std::optional<std::string> convertEmf(std::string_view emf, int, int) {
    generatorOptions options{};
    char emptyNamespace[] = "";
    options.nameSpace = emptyNamespace;
    options.svgDelimiter = true;
    options.emfplus = false;  // the plain EMF records every dual file also holds
    std::string input(emf);   // the library wants a writable buffer
    char* out = nullptr;
    size_t outLength = 0;
    const int ok = emf2svg(input.data(), input.size(), &out, &outLength, &options);
    std::optional<std::string> svg;
    if (ok == 1 && out && outLength > 0) svg = std::string(out, outLength);
    std::free(out);
    return svg;
}

}  // namespace tools
