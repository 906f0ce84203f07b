#include "app/window_placement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <vector>

#include "platform/ui/qt_text.h"
#include "settings/screen_choice.h"

namespace app {
namespace {

constexpr int kExposeWaitMs = 2000;

// Lets the window system put `window` on the screen (and a window manager
// frame it), without handling user input. At most kExposeWaitMs.
void waitUntilExposed(QWidget* window) {
    QElapsedTimer waited;
    waited.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) &&
           waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
}

// Moves the frame of `window`, as far as it is known, to `pos`.
void place(QWidget* window, core::Position pos, const QScreen* screen) {
    const QRect s = screenRect(screen);
    const int frameHeight = window->frameGeometry().height();
    window->move(s.left() + int(std::lround(pos.x)),
                 s.top() + s.height() - int(std::lround(pos.y)) - frameHeight);
}

}  // namespace

QScreen* targetScreen(const std::string& chosen) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<std::string> names;
    for (const QScreen* s : screens) names.push_back(platform::ui::fromQString(s->name()));
    if (auto index = settings::chosenScreen(chosen, names)) return screens[int(*index)];
    return QGuiApplication::primaryScreen();
}

QRect screenRect(const QScreen* screen) {
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QRect workArea(const QScreen* screen) {
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void showAt(QWidget* window, core::Position pos, const QScreen* screen) {
    place(window, pos, screen);
    window->show();
    waitUntilExposed(window);
    place(window, pos, screen);  // with the frame the window got
}

void showMinimisedAt(QWidget* window, core::Position pos, const QScreen* screen) {
    place(window, pos, screen);
    window->showMinimized();
}

void showMaximisedOn(QWidget* window, const QScreen* screen) {
    const QRect area = workArea(screen);
    window->setGeometry(area);
    window->showMaximized();
    waitUntilExposed(window);
    // No window manager maximised it (or none framed it as one would): the
    // frame goes on the work area all the same.
    const QRect frame = window->frameGeometry();
    if (frame != area) {
        const QRect client = window->geometry();
        window->setGeometry(area.adjusted(client.left() - frame.left(), client.top() - frame.top(),
                                          client.right() - frame.right(),
                                          client.bottom() - frame.bottom()));
    }
}

void moveToScreen(QWidget* window, const QRect& from, const QScreen* to) {
    if (window->isMaximized()) {
        showMaximisedOn(window, to);
        return;
    }
    const QRect target = screenRect(to);
    const core::Position pos = core::checkStartPosition(
        windowPosition(*window, from), core::centredPosition(target.width(), target.height()),
        screenArea(target), connectedScreens());
    if (window->isMinimized()) {
        place(window, pos, to);
    } else {
        showAt(window, pos, to);
    }
}

core::ScreenArea screenArea(const QRect& r) {
    return {double(r.left()), double(r.top()), double(r.width()), double(r.height())};
}

std::vector<core::ScreenArea> connectedScreens() {
    std::vector<core::ScreenArea> areas;
    for (const QScreen* s : QGuiApplication::screens()) areas.push_back(screenArea(screenRect(s)));
    return areas;
}

core::Position windowPosition(const QWidget& window, const QScreen* screen) {
    return windowPosition(window, screenRect(screen));
}

core::Position windowPosition(const QWidget& window, const QRect& s) {
    const QRect frame = window.frameGeometry();
    return {double(frame.left() - s.left()),
            double(s.top() + s.height() - (frame.top() + frame.height()))};
}

}  // namespace app
