#pragma once

#include <memory>
#include <string>

#include "app/settings_page.h"
#include "display/display_cycle.h"
#include "inventory/make_desc.h"

// Where the shell meets the parts below it.
namespace app {

// For the end-to-end tests: while the file that LUMISETT_TEST_STALLED_READS
// names exists, every file access of the display cycle (the code file, the
// list table, the lookups, the picture files) waits, as one on a share that
// no longer answers does. Unset, `lookup` and `services` stay as they are.
void stallForTests(std::unique_ptr<inventory::ItemLookup>& lookup, display::CycleServices& services);

// The file chooser of the Browse and "Add with image" buttons.
SettingsPage::Chooser fileChooser();

}  // namespace app
