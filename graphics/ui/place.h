#pragma once

class QWidget;

namespace graphics::ui {

// Places `w` at {x, y} (its lower-left corner, from the lower-left corner of
// its parent, which must have its final size) with {width, height}, rounded
// to whole pixels as graphics::widgetRect does. GUI thread.
void placeBottomLeft(QWidget* w, double x, double y, double width, double height);

}  // namespace graphics::ui
