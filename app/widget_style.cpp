#include "app/widget_style.h"

#include <QPushButton>
#include <QWidget>
#include <cmath>

#include "platform/ui/qt_text.h"

namespace app {

void installFontSubstitutes() {
#ifndef _WIN32
    QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"});
    QFont::insertSubstitutions("Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Courier New", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    QFont::insertSubstitutions("Helv", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"});
#endif
}

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
