#include "settings/net_name.h"

#include "platform/fs.h"
#include "platform/os.h"
#include "platform/registry.h"

namespace settings {

std::string NetName() {
    // Elsewhere than Windows there is no registry: the host name is short
    // and stable enough to name the profile's files.
    if (!platform::kWindows) return platform::hostName();
    return platform::QueryRegistry(platform::kHkeyLocalMachine,
                                   "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                                   "ComputerName");
}

}  // namespace settings
