#pragma once

#include <string>
#include <vector>

namespace platform {

// The buttons of a confirmation box, in the order they stand.
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Icon { None, Stop, Question, Warning, Information };
// The button the user pressed (or the box's escape button when it was closed).
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct BoxStyle {
    Icon icon = Icon::None;
    int defaultButton = 0;  // 0 the first, 1 the second, 2 the third
    bool toFront = false;   // before every other window, whichever program owns it
    bool operator==(const BoxStyle&) const = default;
};

// The message and confirmation boxes, as an interface: the program's Qt boxes
// (platform/ui/dialog_boxes.h), a console version in the command-line tool,
// scripted answers in tests.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal box with one text and an "OK" button; title "" is the default.
    virtual void messageBox(const std::string& text, const std::string& title = "") = 0;
    // A confirmation box; returns the button pressed.
    virtual Answer confirmBox(const std::string& text, const std::string& title, Buttons buttons,
                              BoxStyle style) = 0;
    // An alert with its own button captions; returns the 1-based choice.
    virtual int alertBox(const std::string& text, const std::vector<std::string>& buttons) = 0;
};

// The dialogs in force (process-wide). Until set, a console version that
// writes to stderr and answers every box with its first button.
Dialogs& dialogs();
// Installs `d` (not owned; must outlive its use) or, with nullptr, the console
// version again. Returns the previous one.
Dialogs* setDialogs(Dialogs* d);

}  // namespace platform
