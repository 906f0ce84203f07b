#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/ui/screen_awake.h"

class QWidget;

namespace app {

// The display in a shop where nobody touches it ([Kiosk] 1): while the
// settings in force ask for it (looked at four times a second, so Apply/Save
// takes effect at once), the screen saver and the display's power-off are
// held off (platform::ui::ScreenAwake), and the mouse pointer is hidden
// while it rests over the Display page for kPointerRest; it shows again as
// soon as it moves. Off again when the object goes, and at the end of the
// program through platform::ui::ScreenAwake::releaseAll (the exit procedure).
// GUI thread.
class Kiosk : public QObject {
public:
    static constexpr std::chrono::seconds kPointerRest{3};

    // `wanted` tells whether the settings in force ask for it; `displayPage`
    // is the Display page, which outlives this object.
    Kiosk(std::function<bool()> wanted, QWidget* displayPage);
    ~Kiosk() override;

private:
    void look();
    void showPointer();

    std::function<bool()> m_wanted;
    QWidget* m_page;
    QTimer m_timer;
    std::unique_ptr<platform::ui::ScreenAwake> m_awake;
    QPoint m_pointer;
    std::chrono::steady_clock::time_point m_moved;
    bool m_pointerHidden = false;
};

}  // namespace app
