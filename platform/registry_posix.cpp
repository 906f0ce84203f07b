#include "platform/registry.h"

namespace platform {

// No registry here: callers take their value from elsewhere (settings::NetName
// from the host name).
std::string QueryRegistry(std::uint32_t, const std::string&, const std::string&) { return ""; }

}  // namespace platform
