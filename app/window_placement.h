#pragma once

#include <vector>

#include <QRect>
#include <string>

#include "core/profile.h"

class QScreen;
class QWidget;

// Where the main window goes on a screen. Positions count from the screen's
// lower-left corner (the whole screen, not its work area) to the lower-left
// corner of the window's frame, as the parameter file keeps them. GUI thread.
namespace app {

// The screen the main window opens on: the connected screen `chosen` names
// ([Screen]: its number or name, settings::chosenScreen), else the primary
// screen.
QScreen* targetScreen(const std::string& chosen = "");

// The whole of `screen`, and its work area (without the task bar and panels).
// A null screen counts as 1024 x 768.
QRect screenRect(const QScreen* screen);
QRect workArea(const QScreen* screen);
// A screen's rectangle as the start position's check takes it, and every
// connected screen's.
core::ScreenArea screenArea(const QRect& rect);
std::vector<core::ScreenArea> connectedScreens();

// Shows `window` with its frame's lower-left corner at `pos` on `screen`.
// Where the frame is only known once the window is on the screen (a window
// manager adds it), the window is moved again then, so the corner ends up
// exactly at `pos`.
void showAt(QWidget* window, core::Position pos, const QScreen* screen);
// Shows `window` minimised, at `pos` when it is restored.
void showMinimisedAt(QWidget* window, core::Position pos, const QScreen* screen);
// Shows `window` maximised on `screen`: asks for the maximised state and
// gives the window the screen's work area itself, so that it covers the work
// area exactly also where no window manager runs (a kiosk X session). Returns
// once the window is on the screen (at most two seconds).
void showMaximisedOn(QWidget* window, const QScreen* screen);

// Moves the shown `window` onto `screen`, keeping its state: maximised it
// covers that screen's work area, otherwise its frame's lower-left corner
// keeps its place from the screen's lower-left corner, or goes to the centre
// where that would put it past the right or top edge.
// `from` is the whole of the screen the window is placed on now (it may be
// gone already).
void moveToScreen(QWidget* window, const QRect& from, const QScreen* to);

// Where `window`'s frame's lower-left corner is on `screen`, or on a screen
// covering `screen` of the desktop.
core::Position windowPosition(const QWidget& window, const QScreen* screen);
core::Position windowPosition(const QWidget& window, const QRect& screen);

}  // namespace app
