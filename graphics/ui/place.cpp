#include "graphics/ui/place.h"

#include <QWidget>

#include "graphics/geometry.h"

namespace graphics::ui {

void placeBottomLeft(QWidget* w, double x, double y, double width, double height) {
    int parentHeight = w->parentWidget() ? w->parentWidget()->height() : 0;
    PixelRect r = widgetRect({x, y}, {width, height}, parentHeight);
    w->setGeometry(r.left, r.top, r.width, r.height);
}

}  // namespace graphics::ui
