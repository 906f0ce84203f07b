#include "settings/ui/uppercase_sle.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include "platform/ui/qt_text.h"
#include "inventory/normalize.h"
#include "settings/code_entry.h"

namespace settings::ui {

UppercaseSLE::UppercaseSLE(std::function<void(const std::string&)> onCode, QWidget* parent)
    : QLineEdit(parent), m_onCode(std::move(onCode)) {
    setMaxLength(250);
}

int UppercaseSLE::keyCode(const QKeyEvent& e) {
    switch (e.key()) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab: return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Escape: return 27;
        default: break;
    }
    if ((e.modifiers() & Qt::ControlModifier) && e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) {
        return e.key() - Qt::Key_A + 1;
    }
    std::string text = platform::ui::fromQString(e.text());
    if (text.size() == 1 && static_cast<unsigned char>(text[0]) >= 32) {
        return static_cast<unsigned char>(text[0]);
    }
    return 256 + (e.key() & 0xffff);  // cursor, function and other keys
}

int UppercaseSLE::keyboard(int nKey, QKeyEvent* original) {
    int key = upperKey(nKey);
    if (key >= 32 && key < 256 && key != 127) {
        QString ch = platform::ui::toQString(std::string(1, char(key)));
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, ch);
        QLineEdit::keyPressEvent(&typed);
    } else if (original) {
        if (key != 9 && key != 13) QLineEdit::keyPressEvent(original);
    } else if (key == 8) {
        backspace();
    }
    std::string text = platform::ui::fromQString(this->text());
    if (codeComplete(key, text)) {
        setText(QString());
        if (m_onCode) m_onCode(inventory::Normalize(text));
    }
    return key;
}

void UppercaseSLE::keyPressEvent(QKeyEvent* event) { keyboard(keyCode(*event), event); }

void UppercaseSLE::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // The line edit takes the rest of the event (the text being composed, a
    // replaced range); the committed characters come through keyboard() as if
    // typed, so they are upper-cased and can complete the code.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&rest);
    for (unsigned char c : platform::ui::fromQString(event->commitString())) keyboard(c);
    event->accept();
}

bool UppercaseSLE::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(e);
}

}  // namespace settings::ui
