#pragma once

#include <string>

#include "app/settings_page.h"
#include "display/display_cycle.h"

// Where the shell meets the parts below it: the real services behind the
// display cycle and the pages.
namespace app {

// The display cycle's services: the lookup, the picture finder, files, the
// calling thread's tables and the slide show list table.
display::CycleServices makeCycleServices();

// The file chooser of the Browse and "Add with image" buttons.
SettingsPage::Chooser fileChooser();

}  // namespace app
