#include "graphics/ui/gra.h"

#include <atomic>

namespace graphics {

namespace {

std::atomic<PresSpace*> g_appPresSpace{nullptr};

// Runs `call` on `ps`, or on the application window's presentation space.
template <typename Call>
auto onPS(PresSpace* ps, Call call) -> decltype(call(*ps)) {
    if (!ps)
        ps = g_appPresSpace.load();
    if (!ps)
        return {};
    return call(*ps);
}

}  // namespace

void setAppPresSpace(PresSpace* ps) {
    g_appPresSpace.store(ps);
}

PresSpace* appPresSpace() {
    return g_appPresSpace.load();
}

AreaAttrs GraSetAttrArea(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setAttrArea(); });
}
AreaAttrs GraSetAttrArea(PresSpace* oPS, const AreaAttrs& aAttr) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setAttrArea(aAttr); });
}

}  // namespace graphics
