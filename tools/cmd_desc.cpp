#include <cstdio>

#include "inventory/make_desc.h"
#include "tools/commands.h"

namespace tools {

// Prints what the description box would show, byte for byte (CR LF kept, no
// newline added). Every text MakeDesc returns, error texts included, exits
// with 0; a run-time error (a corrupt table, say) reaches main's recovery
// point and exits with 1.
int cmdDescribe(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: lumisett-tool describe DATA_PATH CODE\n");
        return 2;
    }
    const std::string text = inventory::InventoryLookup().MakeDesc(args[1], args[0]);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace tools
