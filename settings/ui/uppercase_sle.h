#pragma once

#include <QLineEdit>
#include <functional>
#include <string>

namespace settings::ui {

// The manual code entry field of the Display page: typed letters become
// capitals, and a complete code (Enter, tab, backspace or another control key
// from 1 to 24 on a non-blank field, or a seventh character) is normalised and
// handed over through `onCode`, and the field is emptied. Text an input method
// commits (dead keys, compose) goes the same way, one character at a time.
// GUI thread only.
class UppercaseSLE : public QLineEdit {
    Q_OBJECT
public:
    explicit UppercaseSLE(std::function<void(const std::string&)> onCode,
                          QWidget* parent = nullptr);

    // The toolkit key code of a key event (see settings/code_entry.h).
    static int keyCode(const QKeyEvent& event);

    // What the field does with one key code: upper-cases it, lets the line
    // edit handle it, then hands over a complete code. Returns the code used.
    int keyboard(int nKey, QKeyEvent* original = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool event(QEvent* event) override;  // tab reaches the field instead of moving the focus

private:
    std::function<void(const std::string&)> m_onCode;
};

}  // namespace settings::ui
