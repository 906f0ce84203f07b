#include "app/wiring.h"

#include "settings/ui/get_filename.h"

namespace app {

SettingsPage::Chooser fileChooser() {
    return [](const std::string& start, const std::string& filter, const std::string& title) {
        return settings::ui::GetFilename(start, filter, title);
    };
}

}  // namespace app
