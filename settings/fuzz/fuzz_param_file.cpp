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
    settings::Settings read;
    settings::ReadParam(path, read);
    // Apply/Save writes what was read; reading that again gives the same
    // paths, unless a path holds a line end or a section head of its own.
    for (const std::string* value : {&read.cBuffer, &read.cPath}) {
        if (value->find_first_of("\r\n[") != std::string::npos) return 0;
    }
    const std::string again = folder.write("AGAIN.ini", settings::paramText(read, 3));
    settings::Settings back;
    settings::ReadParam(again, back);
    if (back.cBuffer != read.cBuffer || back.cPath != read.cPath) std::abort();
    return 0;
}
