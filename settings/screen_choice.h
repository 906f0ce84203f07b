#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which screen the window opens on ([Screen] of the parameter file), and the
// choice the Settings page offers.
namespace settings {

// A connected screen, in the order the system reports them.
struct ScreenInfo {
    std::string name;  // as the system names it ("HDMI-1", "\\.\DISPLAY2")
    int width = 0;
    int height = 0;
};

// The index in `names` of the screen `chosen` names: a whole number from 1 to
// the number of screens counts in their order; anything else is a name,
// matched exactly, else without regard to case. nullopt for "" and for a
// screen that is not connected: the primary screen then.
std::optional<std::size_t> chosenScreen(std::string_view chosen, const std::vector<std::string>& names);

struct ScreenChoice {
    std::string label;
    std::string value;  // what [Screen] keeps when this is chosen
};

// The Settings page's choice: the primary screen ([Screen] ""), then each
// connected screen by number, name and size, kept as its name, or as `current`
// when that is how `current` names it (a number stays a number). A `current`
// that names no connected screen (one unplugged for now) is offered last, as
// not connected, so that Apply/Save keeps it. `*selected` receives the index
// of `current`.
std::vector<ScreenChoice> screenChoices(const std::vector<ScreenInfo>& screens,
                                        const std::string& current, std::size_t* selected);

inline constexpr const char* kPrimaryScreenText = "Primary screen";

}  // namespace settings
