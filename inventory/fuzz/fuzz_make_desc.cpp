// libFuzzer target: the item lookup (MakeDesc) over a stock table and its
// index made of arbitrary bytes, in a data folder as the display reads it,
// under a handler that lets every failed operation take its default, as a
// user pressing Ignore would. Input: one byte for the length of the code,
// the code, two bytes (little-endian) for the length of istock.dbf, the
// table, then istkcode.ntx.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "errors/error.h"
#include "inventory/make_desc.h"
#include "testsupport/fuzz_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    errors::setHandler(errors::defaultOrUnwind);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testsupport::FuzzFolder folder;
    if (size < 3) return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t codeLength = std::uint8_t(testsupport::take(input, 1)[0]) % 16;
    const std::string code(testsupport::take(input, codeLength));
    const std::string_view head = testsupport::take(input, 2);
    if (head.size() < 2) return 0;
    const std::size_t tableLength = std::uint8_t(head[0]) | std::size_t(std::uint8_t(head[1])) << 8;
    folder.write("istock.dbf", testsupport::take(input, tableLength));
    folder.write("istkcode.ntx", input);
    try {
        const std::string text = inventory::InventoryLookup().MakeDesc(code, folder.str());
        if (text.empty()) std::abort();  // every way out has a text for the customer
    } catch (const errors::Unwind&) {
    }
    return 0;
}
