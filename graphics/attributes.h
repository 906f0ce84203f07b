#pragma once

#include <optional>
#include <tuple>

// Attribute lists of a presentation space as plain values. An empty element
// leaves that attribute as it is; the getters return every element filled.
namespace graphics {

// Fill of boxes and areas. The fill colour is the only one every caller sets.
struct AreaAttrs {
    std::optional<double> color;      // fill colour code
    std::optional<double> backColor;  // colour under a pattern
    std::optional<int> mixMode;
    std::optional<int> backMixMode;
    std::optional<int> symbol;        // fill pattern
    bool operator==(const AreaAttrs&) const = default;
    auto fields() { return std::tie(color, backColor, mixMode, backMixMode, symbol); }
    auto fields() const { return std::tie(color, backColor, mixMode, backMixMode, symbol); }
};

// `update`'s filled elements written over `current`; its empty ones leave
// `current`'s as they are.
template <typename Attrs>
Attrs merged(Attrs current, const Attrs& update) {
    std::apply(
        [&](auto&... into) {
            std::apply([&](const auto&... from) { ((from ? void(into = from) : void()), ...); },
                       update.fields());
        },
        current.fields());
    return current;
}

}  // namespace graphics
