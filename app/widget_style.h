#pragma once

#include <QColor>
#include <QFont>
#include <string>

#include "graphics/ui/colours.h"
#include "graphics/ui/place.h"

class QPushButton;
class QWidget;

// How the program's widget descriptions (positions from the parent's
// lower-left corner, compound font names, colour codes) become Qt settings.
namespace app {

using graphics::ui::placeBottomLeft;
using graphics::ui::setColours;

// Makes "Times New Roman", "Courier", "Helv" and "MS Sans Serif" resolve to
// installed metric-compatible faces where the system lacks them
// (platform::ui::substituteWindowsFonts). Once, on the GUI thread, before
// widgets are made.
void installFontSubstitutes();

// A font from a compound name: point size, ".", face, optionally "." and a
// style ("8.Helv.normal", "16.Courier.normal", "14.Times New Roman").
QFont compoundFont(const std::string& name);

// A push button as every page makes it: button face and button text colours
// (-40, -58), a tab stop.
QPushButton* makeButton(QWidget* parent, const char* caption);

}  // namespace app
