#include "app/widget_style.h"

#include <QPushButton>
#include <QWidget>
#include <cmath>

#include "platform/ui/font_substitutes.h"
#include "platform/ui/qt_text.h"

namespace app {

void installFontSubstitutes() { platform::ui::substituteWindowsFonts(); }

QFont compoundFont(const std::string& name) {
    QString text = platform::ui::toQString(name);
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

QPushButton* makeButton(QWidget* parent, const char* caption) {
    auto* b = new QPushButton(caption, parent);
    setColours(b, -40, -58);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

}  // namespace app
