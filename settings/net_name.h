#pragma once

#include <cstdint>
#include <string>

namespace settings {

// The computer's name, the default profile: on Windows the registry value
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ComputerName\ComputerName
// "ComputerName"; elsewhere the host name (its first label). "" when it cannot
// be read. GUI thread, at start-up.
std::string NetName();

#ifdef _WIN32
// One string value from the registry, through ADVAPI32 loaded by name on each
// call; "" when the key cannot be opened or the value does not exist.
std::string QueryRegistry(std::uint32_t nRootKey, const std::string& cSubKey,
                          const std::string& cValueName);
#endif

}  // namespace settings
