#include <cstdio>
#include <optional>

#include "core/profile.h"
#include "inventory/normalize.h"
#include "settings/net_name.h"
#include "tools/commands.h"

namespace tools {

int cmdNormalize(const Args& args) {
    for (const auto& code : args) std::printf("%s\n", inventory::Normalize(code).c_str());
    return 0;
}

int cmdProfile(const Args& args) {
    std::optional<std::string> arg;
    if (!args.empty()) arg = args[0];
    std::string profile = core::deriveProfile(arg, settings::NetName);
    auto files = core::profileFiles(core::currentAppPath(), profile);
    std::printf("%s\n%s\n%s\n", files.profile.c_str(), files.paramFile.c_str(),
                files.listFile.c_str());
    return 0;
}

}  // namespace tools
