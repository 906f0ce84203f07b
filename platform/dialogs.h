#pragma once

#include <string>
#include <vector>

namespace platform {

// The message and confirmation boxes, as an interface: Qt boxes in the
// program, a console version in the command-line tool, scripted answers in
// tests. Button sets, icon styles and results use the Windows message box
// values (results: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal box with one text and an "OK" button; title "" is the default.
    virtual void messageBox(const std::string& text, const std::string& title = "") = 0;
    // A confirmation box; returns the result code of the button pressed.
    virtual int confirmBox(const std::string& text, const std::string& title, int buttonSet,
                           int style) = 0;
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
