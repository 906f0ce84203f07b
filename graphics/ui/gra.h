#pragma once

#include "graphics/ui/pres_space.h"

// The attribute family in front of a presentation space. Every function takes
// the presentation space first and, when it is null, uses the application
// window's (setAppPresSpace). Given the value argument(s) it calls the
// presentation space's method with them, otherwise without; and it returns the
// method's result. With no presentation space at all nothing is called and the
// result is empty (default-constructed, or 0).
namespace graphics {

// The application window's presentation space, used when a call names none.
// Not owned; set it back to null before it goes. Any thread.
void setAppPresSpace(PresSpace* ps);
PresSpace* appPresSpace();

AreaAttrs GraSetAttrArea(PresSpace* oPS);
AreaAttrs GraSetAttrArea(PresSpace* oPS, const AreaAttrs& aAttr);
LineAttrs GraSetAttrLine(PresSpace* oPS);
LineAttrs GraSetAttrLine(PresSpace* oPS, const LineAttrs& aAttr);
MarkerAttrs GraSetAttrMarker(PresSpace* oPS);
MarkerAttrs GraSetAttrMarker(PresSpace* oPS, const MarkerAttrs& aAttr);
StringAttrs GraSetAttrString(PresSpace* oPS);
StringAttrs GraSetAttrString(PresSpace* oPS, const StringAttrs& aAttr);
QFont GraSetFont(PresSpace* oPS);
QFont GraSetFont(PresSpace* oPS, const QFont& oFont);
int GraSegDrawMode(PresSpace* oPS);
int GraSegDrawMode(PresSpace* oPS, int nMode);
Colors GraSetColor(PresSpace* oPS);
Colors GraSetColor(PresSpace* oPS, double nForeground);
Colors GraSetColor(PresSpace* oPS, double nForeground, double nBackground);
int GraError(PresSpace* oPS);

}  // namespace graphics
