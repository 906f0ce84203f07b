#pragma once

#include <optional>

class QWidget;

namespace graphics::ui {

// Gives `w` the background colour code `background` and, when given, the text
// colour code `foreground`, in the palette roles that kind of widget paints
// with: entry fields, lists and text boxes their base and text, buttons their
// button and button text, anything else its window and window text. Only
// those roles are set, so the children of a page coloured -40 keep their own
// kinds' colours (a list on it stays -47). Codes that stand for nothing leave
// the role as it is. GUI thread.
void setColours(QWidget* w, double background, std::optional<double> foreground = std::nullopt);

}  // namespace graphics::ui
