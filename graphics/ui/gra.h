#pragma once

#include "graphics/ui/pres_space.h"

// The attribute functions in front of a presentation space. Each takes the
// presentation space first and, when it is null, uses the application
// window's (setAppPresSpace). Given the value argument it calls the
// presentation space's method with it, otherwise without; and it returns the
// method's result. With no presentation space at all nothing is called and the
// result is empty.
namespace graphics {

// The application window's presentation space, used when a call names none
// (the program's main window sets its own when it is shown). Not owned; set
// it back to null before it goes. Any thread; the calls that then reach the
// presentation space follow its own rule (the main window's: GUI thread).
void setAppPresSpace(PresSpace* ps);
PresSpace* appPresSpace();

AreaAttrs GraSetAttrArea(PresSpace* oPS);
AreaAttrs GraSetAttrArea(PresSpace* oPS, const AreaAttrs& aAttr);

}  // namespace graphics
