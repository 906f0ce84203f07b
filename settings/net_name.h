#pragma once

#include <string>

namespace settings {

// The computer's name, the default profile: on Windows the registry value
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ComputerName\ComputerName
// "ComputerName" (platform::QueryRegistry); elsewhere the host name (its first
// label). "" when it cannot be read. GUI thread, at start-up.
std::string NetName();

}  // namespace settings
