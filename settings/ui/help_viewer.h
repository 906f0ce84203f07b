#pragma once

#include <string>

class QWidget;

namespace settings::ui {

// Shows `helptext.txt` of the program folder (empty when it is missing) in a
// read-only text field over the whole client area of `window`, in the
// entry-field colour (-47), and returns when any key is
// pressed anywhere in the program (after that key was handled by its target)
// or a window is asked to close. The close request of `window`'s own window
// (the main window) is swallowed, so it stays open; any other window's is
// handled by that window as usual. The other widgets keep working meanwhile.
// Only a regular file is read (anything else counts as missing); one beyond
// platform::kHelpTextLimit is not read, and the viewer says so instead
// (kHelpTextTooLarge and the limit). GUI thread.
void HelpText(QWidget* window, const std::string& cAppPath);

inline constexpr const char* kHelpTextTooLarge =
    "helptext.txt is too large to show. A help text may hold at most ";

}  // namespace settings::ui
