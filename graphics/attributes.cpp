#include "graphics/attributes.h"

namespace graphics {

namespace {

template <typename T>
void take(std::optional<T>& current, const std::optional<T>& update) {
    if (update)
        current = update;
}

}  // namespace

AreaAttrs merged(const AreaAttrs& current, const AreaAttrs& update) {
    AreaAttrs r = current;
    take(r.color, update.color);
    take(r.backColor, update.backColor);
    take(r.mixMode, update.mixMode);
    take(r.backMixMode, update.backMixMode);
    take(r.symbol, update.symbol);
    return r;
}

LineAttrs merged(const LineAttrs& current, const LineAttrs& update) {
    LineAttrs r = current;
    take(r.color, update.color);
    take(r.mixMode, update.mixMode);
    take(r.width, update.width);
    take(r.type, update.type);
    return r;
}

MarkerAttrs merged(const MarkerAttrs& current, const MarkerAttrs& update) {
    MarkerAttrs r = current;
    take(r.color, update.color);
    take(r.backColor, update.backColor);
    take(r.mixMode, update.mixMode);
    take(r.backMixMode, update.backMixMode);
    take(r.symbol, update.symbol);
    return r;
}

StringAttrs merged(const StringAttrs& current, const StringAttrs& update) {
    StringAttrs r = current;
    take(r.color, update.color);
    take(r.backColor, update.backColor);
    take(r.mixMode, update.mixMode);
    take(r.backMixMode, update.backMixMode);
    take(r.horizAlign, update.horizAlign);
    take(r.vertAlign, update.vertAlign);
    return r;
}

Colors merged(const Colors& current, const Colors& update) {
    Colors r = current;
    take(r.foreground, update.foreground);
    take(r.background, update.background);
    return r;
}

}  // namespace graphics
