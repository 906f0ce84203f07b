#pragma once

#include <QIcon>

class QWidget;

namespace settings::ui {

// The picture behind a picture resource number of the Settings page (12 to 27;
// 21 is also the Browse buttons' picture). Standard icons of the toolkit's
// style, so they match the desktop. GUI thread.
QIcon resourcePicture(int number);

// Puts the row of thirteen picture statics (50 x 60, at y 284 from x 24 in
// steps of 40, so neighbours overlap by 10 pixels) on `parent`, in the order
// 21, 22, 12, 24, 25, 26, 27, 20, 19, 18, 17, 16, 13. Positions are from the
// parent's lower-left corner, so the parent must have its final size.
void PaintSomeIcons(QWidget* parent);

}  // namespace settings::ui
