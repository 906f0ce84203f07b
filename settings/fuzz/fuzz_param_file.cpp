// libFuzzer target: the parameter file reader on arbitrary bytes, read from a
// file as at start-up (including the size limit), then written back and read
// again, which must give the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/param_file.h"
#include "testsupport/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testsupport::FuzzFolder folder;
    const std::string path =
        folder.write("TILL.ini", std::string_view(reinterpret_cast<const char*>(data), size));
    settings::Params params;
    settings::ReadParam(path, params);
    // Apply/Save writes what was read; reading that again gives the same
    // paths, unless a path holds a line end or a section head of its own.
    for (const std::string* value : {&*params.cBuffer, &*params.cPath}) {
        if (value->find_first_of("\r\n[") != std::string::npos) return 0;
    }
    const std::string again = folder.write(
        "AGAIN.ini", settings::paramText(*params.cBuffer, *params.cPath, *params.nSlow,
                                         *params.nFast, params.posX.value_or(0),
                                         params.posY.value_or(0), 3));
    settings::Params back;
    settings::ReadParam(again, back);
    if (back.cBuffer != params.cBuffer || back.cPath != params.cPath) std::abort();
    return 0;
}
