#pragma once

#include <string>

class QWidget;

namespace settings::ui {

// Shows `helptext.txt` of the program folder (empty when it is missing) in a
// read-only text field over `window` at {0, 0} from its lower-left corner,
// 600 x 400, in the entry-field colour (-47), and returns when any key is
// pressed anywhere in the program (after that key was handled by its target)
// or a window is asked to close. The close request of `window`'s own window
// (the main window) is swallowed, so it stays open; any other window's is
// handled by that window as usual. The other widgets keep working meanwhile.
// GUI thread.
void HelpText(QWidget* window, const std::string& cAppPath);

}  // namespace settings::ui
