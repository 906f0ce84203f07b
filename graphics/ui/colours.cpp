#include "graphics/ui/colours.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include "graphics/ui/qt_color.h"

namespace graphics::ui {

void setColours(QWidget* w, double background, std::optional<double> foreground) {
    QPalette::ColorRole back = QPalette::Window;
    QPalette::ColorRole text = QPalette::WindowText;
    if (qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QLineEdit*>(w) ||
        qobject_cast<QAbstractSpinBox*>(w)) {
        back = QPalette::Base;
        text = QPalette::Text;
    } else if (qobject_cast<QAbstractButton*>(w)) {
        back = QPalette::Button;
        text = QPalette::ButtonText;
    }
    QPalette pal = w->palette();
    const QColor bg = toQColor(background, QApplication::palette());
    if (bg.isValid()) pal.setColor(back, bg);
    if (foreground) {
        const QColor fg = toQColor(*foreground, QApplication::palette());
        if (fg.isValid()) pal.setColor(text, fg);
    }
    w->setPalette(pal);
    if (back == QPalette::Window) w->setAutoFillBackground(true);
}

}  // namespace graphics::ui
