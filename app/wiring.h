#pragma once

#include "app/settings_page.h"

// Where the shell meets the parts below it.
namespace app {

// The file chooser of the Browse and "Add with image" buttons.
SettingsPage::Chooser fileChooser();

}  // namespace app
