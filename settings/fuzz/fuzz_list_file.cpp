// libFuzzer target: the slide show list table read from arbitrary bytes, as
// the Slide Show List page reads it (ReadList) and as the slide show steps
// through it (nextSlide), under a handler that lets every failed operation
// take its default, as a user pressing Ignore would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "errors/error.h"
#include "settings/list_box.h"
#include "settings/list_file.h"
#include "testsupport/fuzz_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    errors::setHandler(errors::defaultOrUnwind);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testsupport::FuzzFolder folder;
    const std::string path =
        folder.write("TILL.dbf", std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        // A table of another layout reads as it is (a missing CODE field
        // gives empty entries, through the handler): no check of the items.
        settings::MemoryListBox list;
        settings::ReadList(list, path);
        long record = 1;
        for (int i = 0; i < 8; ++i) {
            settings::nextSlide(path, record);
            if (record < 1) std::abort();
        }
    } catch (const errors::Unwind&) {
    }
    return 0;
}
