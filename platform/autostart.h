#pragma once

#include <optional>
#include <string>

// What starting a program with the user's session needs to know of the
// system. Thread-safe.
namespace platform {

// The folder of desktop entries the user's desktop starts at log-on, in native
// form: $XDG_CONFIG_HOME/autostart when that variable holds an absolute path,
// else $HOME/.config/autostart. nullopt where there is none: no HOME, or
// Windows, whose start entry the installer makes.
std::optional<std::string> autostartFolder();

// The native path of the program `name` (".exe" added on Windows) that an
// entry should start: the one beside the running program when it is an
// executable regular file there, else the first one on PATH; "" when neither.
std::string installedProgram(const std::string& name);

}  // namespace platform
