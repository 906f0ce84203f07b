#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "display/display_cycle.h"
#include "settings/param_file.h"

namespace app {

// The Settings page's widgets on the page `oSettingsTab`. Edits take effect
// only through Apply/Save (Program::applySaveAction), which takes them through
// edited(). The page keeps its widgets; the program gives it its actions. The
// slide show period field is the one thing the display reads straight from the
// page, at each slide show turn (display::SlidePeriodField). GUI thread,
// except value().
class SettingsPage : public display::SlidePeriodField {
public:
    // The file chooser: full name of the chosen file in lower case, "" when
    // cancelled (start, filter, title).
    using Chooser =
        std::function<std::string(const std::string&, const std::string&, const std::string&)>;
    // What the page's buttons ask of the program.
    struct Actions {
        std::function<settings::Settings()> applied;  // the settings in force (Browse, on cancel)
        std::function<void()> applySave, help, reindex;
        std::function<void()> display;  // widget 16: back to the Display page
    };

    // Builds widgets 1 to 15 in their order (the icon row comes first, from
    // the caller), showing `shown`, then the screen choice, the idle seconds
    // and the two check boxes of [Watchdog] and [Kiosk] in three free bands
    // of the page (between the icon row and the code file's label, between
    // the check box and the periods, between the data path and the periods),
    // so that none of the fifteen moves. `page` must have its final size.
    SettingsPage(QWidget* page, const settings::Settings& shown, Chooser chooser, Actions actions);

    // `applied` with the code file path, data path, the two periods, the
    // screen, the idle seconds, the watchdog and the kiosk as the page shows
    // them now (what Apply/Save takes).
    settings::Settings edited(settings::Settings applied) const;
    // The "Maximize + centre" check box.
    bool fullScreenTicked() const;

    // The slide show period field as it shows now. Any thread.
    double value() const override { return m_slowValue; }

    // The widgets under the names the UI probe gives them (also their object
    // names).
    std::vector<std::pair<const QWidget*, const char*>> probeNames() const;

    // The screen choice anew, for the screens connected now; what it shows
    // chosen stays chosen.
    void refreshScreens();

    // Widget 16, the "Display" button; made after the Slide Show List page.
    void createDisplayButton();

private:
    void showScreens(const std::string& current);
    // The two Browse actions; a cancelled chooser puts the applied value back.
    void browseCodeFile();
    void browseDataPath();
    // A path of the settings in force.
    std::string applied(std::string settings::Settings::*value) const;

    QWidget* m_page;
    Chooser m_chooser;
    Actions m_actions;
    std::atomic<double> m_slowValue{0};
    QLineEdit* m_imagePath = nullptr;
    QLineEdit* m_dataPath = nullptr;
    QSpinBox* m_slow = nullptr;
    QSpinBox* m_fast = nullptr;
    QCheckBox* m_fullScreen = nullptr;
    QComboBox* m_screen = nullptr;     // [Screen]
    QSpinBox* m_idleSlides = nullptr;  // [IdleSlides], seconds
    QCheckBox* m_watchdog = nullptr;   // [Watchdog]
    QCheckBox* m_kiosk = nullptr;      // [Kiosk]
    QPushButton* m_browseCode = nullptr;
    QPushButton* m_browseData = nullptr;
    QPushButton* m_reindex = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_applySave = nullptr;
    QPushButton* m_display = nullptr;
};

// The data path a chosen inventory table leaves: every "\imerch.dbf", then
// "\istock.dbf", then "\isub.dbf" removed (case-sensitive; on POSIX the same
// names after "/" too).
std::string dataPathFromChoice(const std::string& chosen);

}  // namespace app
