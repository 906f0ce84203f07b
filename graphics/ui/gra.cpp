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
LineAttrs GraSetAttrLine(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setAttrLine(); });
}
LineAttrs GraSetAttrLine(PresSpace* oPS, const LineAttrs& aAttr) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setAttrLine(aAttr); });
}
MarkerAttrs GraSetAttrMarker(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setAttrMarker(); });
}
MarkerAttrs GraSetAttrMarker(PresSpace* oPS, const MarkerAttrs& aAttr) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setAttrMarker(aAttr); });
}
StringAttrs GraSetAttrString(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setAttrString(); });
}
StringAttrs GraSetAttrString(PresSpace* oPS, const StringAttrs& aAttr) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setAttrString(aAttr); });
}
QFont GraSetFont(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setFont(); });
}
QFont GraSetFont(PresSpace* oPS, const QFont& oFont) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setFont(oFont); });
}
int GraSegDrawMode(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.drawMode(); });
}
int GraSegDrawMode(PresSpace* oPS, int nMode) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.drawMode(nMode); });
}
Colors GraSetColor(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.setColor(); });
}
Colors GraSetColor(PresSpace* oPS, double nForeground) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setColor(nForeground); });
}
Colors GraSetColor(PresSpace* oPS, double nForeground, double nBackground) {
    return onPS(oPS, [&](PresSpace& ps) { return ps.setColor(nForeground, nBackground); });
}
int GraError(PresSpace* oPS) {
    return onPS(oPS, [](PresSpace& ps) { return ps.lastError(); });
}

}  // namespace graphics
