#pragma once

#include <optional>

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
};

struct LineAttrs {
    std::optional<double> color;
    std::optional<int> mixMode;
    std::optional<int> width;
    std::optional<int> type;  // solid, dotted, ...
    bool operator==(const LineAttrs&) const = default;
};

struct MarkerAttrs {
    std::optional<double> color;
    std::optional<double> backColor;
    std::optional<int> mixMode;
    std::optional<int> backMixMode;
    std::optional<int> symbol;
    bool operator==(const MarkerAttrs&) const = default;
};

struct StringAttrs {
    std::optional<double> color;
    std::optional<double> backColor;
    std::optional<int> mixMode;
    std::optional<int> backMixMode;
    std::optional<int> horizAlign;
    std::optional<int> vertAlign;
    bool operator==(const StringAttrs&) const = default;
};

// Foreground and background colour codes.
struct Colors {
    std::optional<double> foreground;
    std::optional<double> background;
    bool operator==(const Colors&) const = default;
};

// `update`'s filled elements written over `current`.
AreaAttrs merged(const AreaAttrs& current, const AreaAttrs& update);
LineAttrs merged(const LineAttrs& current, const LineAttrs& update);
MarkerAttrs merged(const MarkerAttrs& current, const MarkerAttrs& update);
StringAttrs merged(const StringAttrs& current, const StringAttrs& update);
Colors merged(const Colors& current, const Colors& update);

}  // namespace graphics
