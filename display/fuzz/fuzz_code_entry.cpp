// libFuzzer target: what the display makes of a code file or slide show entry
// (parseEntry), the station name of a code file path, and the normalisation
// of a typed code, on arbitrary text. The first byte splits the input into
// the entry and the code file path.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "display/code_file.h"
#include "inventory/normalize.h"
#include "testsupport/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view entry = testsupport::take(input, data[0]);
    const std::string codeFile(input);

    const display::ParsedEntry parsed = display::parseEntry(entry, "C:\\POS");
    if (parsed.code.size() > entry.size()) std::abort();
    if (parsed.target.rfind("C:\\POS\\", 0) != 0) std::abort();

    // Always in parentheses (a folder whose name opens one keeps its own).
    const std::string station = display::stationName(codeFile, "(TILL1)");
    if (station.empty() || station.front() != '(') std::abort();

    // A short code grows to the full seven characters, never beyond.
    const std::string code = inventory::Normalize(entry);
    if (code.size() > std::max<std::size_t>(entry.size(), 7)) std::abort();
    return 0;
}
