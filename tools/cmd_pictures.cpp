#include <cstdio>

#include "display/find_pic.h"
#include "tools/commands.h"

namespace tools {

int cmdFindPicture(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: lumisett-tool find-picture DATA_PATH CODE\n");
        return 2;
    }
    std::printf("%s\n", display::FindPic(args[1], args[0]).c_str());
    return 0;
}

}  // namespace tools
