#pragma once

#include <string>

class QWidget;

namespace settings::ui {

// Shows `helptext.txt` of the program folder (empty when it is missing) in a
// read-only text field over `window` at {0, 0}, 600 x 400, and returns when
// any key is pressed anywhere in the program (after that key was handled by
// its target) or a window is asked to close. A close request that ends the
// viewer is swallowed, so the window stays open. The other widgets keep
// working meanwhile. GUI thread.
void HelpText(QWidget* window, const std::string& cAppPath);

}  // namespace settings::ui
