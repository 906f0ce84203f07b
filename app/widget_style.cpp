#include "app/widget_style.h"

#include <QPalette>
#include <QWidget>
#include <cmath>

#include "core/ui/qt_text.h"

namespace app {

void installFontSubstitutes() {
    QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"});
    QFont::insertSubstitutions("Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Courier New", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Helv", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"});
}

QFont compoundFont(const std::string& name) {
    QString text = core::ui::toQString(name);
    QStringList parts = text.split('.');
    QFont font;
    if (parts.size() >= 2) {
        bool ok = false;
        int points = parts[0].toInt(&ok);
        font.setFamily(parts[1]);
        if (ok && points > 0) font.setPointSize(points);
        if (parts.size() >= 3) {
            QString style = parts[2].toLower();
            font.setBold(style.contains("bold"));
            font.setItalic(style.contains("italic"));
        }
    }
    return font;
}

QColor colourCode(int code) {
    switch (code) {
        case 15: return QColor(192, 192, 192);   // pale grey
        case -2: return QColor(255, 255, 255);   // white
        case -40: return QColor(212, 208, 200);  // button face
        case -47: return QColor(255, 255, 255);  // entry field
        case -58: return QColor(0, 0, 0);        // button text
        default: return QColor(0, 0, 0);
    }
}

void placeBottomLeft(QWidget* w, double x, double y, double width, double height) {
    int parentHeight = w->parentWidget() ? w->parentWidget()->height() : 0;
    int wi = int(std::lround(width));
    int he = int(std::lround(height));
    int left = int(std::lround(x));
    int top = parentHeight - int(std::lround(y)) - he;
    w->setGeometry(left, top, wi, he);
}

void setColours(QWidget* w, int background, int foreground, bool hasForeground) {
    QPalette pal = w->palette();
    QColor bg = colourCode(background);
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::Base, bg);
    pal.setColor(QPalette::Button, bg);
    if (hasForeground) {
        QColor fg = colourCode(foreground);
        pal.setColor(QPalette::ButtonText, fg);
        pal.setColor(QPalette::WindowText, fg);
        pal.setColor(QPalette::Text, fg);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

}  // namespace app
