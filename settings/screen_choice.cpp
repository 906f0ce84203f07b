#include "settings/screen_choice.h"

#include <algorithm>
#include <charconv>

#include "core/xbase_values.h"

namespace settings {

std::optional<std::size_t> chosenScreen(std::string_view chosen, const std::vector<std::string>& names) {
    const std::string text = core::alltrim(chosen);
    if (text.empty()) return std::nullopt;
    std::size_t number = 0;
    const char* end = text.data() + text.size();
    if (auto [ptr, ec] = std::from_chars(text.data(), end, number); ec == std::errc() && ptr == end) {
        if (number >= 1 && number <= names.size()) return number - 1;
        return std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text) return i;
    }
    const std::string upper = core::upper(text);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (core::upper(names[i]) == upper) return i;
    }
    return std::nullopt;
}

std::vector<ScreenChoice> screenChoices(const std::vector<ScreenInfo>& screens,
                                        const std::string& current, std::size_t* selected) {
    std::vector<std::string> names;
    for (const ScreenInfo& s : screens) names.push_back(s.name);
    const std::optional<std::size_t> chosen = chosenScreen(current, names);

    std::vector<ScreenChoice> out{{kPrimaryScreenText, ""}};
    *selected = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const ScreenInfo& s = screens[i];
        ScreenChoice c{std::to_string(i + 1) + ": " + s.name + " (" + std::to_string(s.width) +
                           " x " + std::to_string(s.height) + ")",
                       s.name};
        if (chosen == i) {
            c.value = current;
            *selected = out.size();
        }
        out.push_back(std::move(c));
    }
    if (!chosen && !core::isEmptyText(current)) {
        *selected = out.size();
        out.push_back({current + " (not connected)", current});
    }
    return out;
}

}  // namespace settings
