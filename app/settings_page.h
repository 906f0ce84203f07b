#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/param_file.h"

namespace app {

// The Settings page's widgets on the page `oSettingsTab`. Edits take effect
// only through Apply/Save (Program::applySaveAction). GUI thread. The widgets
// are public for the program's wiring and for tests.
class SettingsPage {
public:
    // The file chooser: full name of the chosen file in lower case, "" when
    // cancelled (start, filter, title).
    using Chooser =
        std::function<std::string(const std::string&, const std::string&, const std::string&)>;

    // Builds widgets 1 to 15 in their order (the icon row comes first, from
    // the caller), showing `applied`, then the screen choice and the idle
    // seconds in two free bands of the page (between the icon row and the
    // code file's label, between the check box and the periods), so that
    // none of the fifteen moves. `page` must have its final size.
    SettingsPage(QWidget* page, const settings::Settings& applied, Chooser chooser);

    // `applied` with the code file path, data path, the two periods, the
    // screen and the idle seconds as the page shows them now (what
    // Apply/Save takes).
    settings::Settings edited(settings::Settings applied) const;
    // The "Maximize + centre" check box.
    bool fullScreenTicked() const;

    // The widgets under the names the UI probe gives them.
    std::vector<std::pair<const QWidget*, const char*>> probeNames() const;

    // The screen choice anew, for the screens connected now; what it shows
    // chosen stays chosen.
    void refreshScreens();

    // Widget 16, the "Display" button; made after the Slide Show List page.
    QPushButton* createDisplayButton();

    // The two Browse actions; `applied` is the last applied value, which a
    // cancelled chooser puts back.
    void browseCodeFile(const std::string& appliedBuffer);
    void browseDataPath(const std::string& appliedPath);

    QLineEdit* oImagePath = nullptr;
    QLineEdit* oDataPath = nullptr;
    QSpinBox* oSlow = nullptr;
    QSpinBox* oFast = nullptr;
    QCheckBox* oFullScreen = nullptr;
    QComboBox* oScreen = nullptr;     // [Screen]
    QSpinBox* oIdleSlides = nullptr;  // [IdleSlides], seconds
    QPushButton* oBrowseCode = nullptr;
    QPushButton* oBrowseData = nullptr;
    QPushButton* oReindex = nullptr;
    QPushButton* oHelp = nullptr;
    QPushButton* oApplySave = nullptr;
    QPushButton* oDisplay = nullptr;

private:
    void showScreens(const std::string& current);

    QWidget* m_page;
    Chooser m_chooser;
};

// The data path a chosen inventory table leaves: every "\imerch.dbf", then
// "\istock.dbf", then "\isub.dbf" removed (case-sensitive; on POSIX the same
// names after "/" too).
std::string dataPathFromChoice(const std::string& chosen);

}  // namespace app
