#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Root keys of the Windows registry, as the system numbers them.
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;

// One string value from the Windows registry: the value `cValueName` of the
// key `cSubKey` below the root key `nRootKey`. Only string values are meant;
// the type is not checked. Reads through ADVAPI32, loaded by name for each
// call. "" when the key cannot be opened or the value does not exist, and
// always "" where there is no registry (everywhere but Windows). Any thread.
std::string QueryRegistry(std::uint32_t nRootKey, const std::string& cSubKey,
                          const std::string& cValueName);

}  // namespace platform
