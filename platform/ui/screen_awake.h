#pragma once

// Keeping the customer's screen on ([Kiosk] 1): the system's screen saver and
// its display power-off held off while the program wants it. Qt (the window
// system's connection comes from the application object).
namespace platform::ui {

// While an object lives, the screen saver and the display's power-off are
// held off:
// - X11 (the xcb platform): the screen saver extension's suspension
//   (XScreenSaverSuspend, which the X server also drops when the program's
//   connection ends; a saver already on goes off), and DPMS disabled (DPMSDisable), its state before
//   remembered and put back at the end. The state before is also kept on the
//   root window, so that a display started after one that crashed with DPMS
//   disabled still puts back the shop's own state.
// - Windows: SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED |
//   ES_SYSTEM_REQUIRED) on the calling thread, which the system drops when
//   the thread ends.
// - Elsewhere (the offscreen platform, Wayland without X) it does nothing.
// One object at a time. Made and destroyed on the GUI thread, after the
// application object and before its end.
class ScreenAwake {
public:
    ScreenAwake();
    ~ScreenAwake();  // as before, unless releaseAll came first
    ScreenAwake(const ScreenAwake&) = delete;
    ScreenAwake& operator=(const ScreenAwake&) = delete;

    // Whether anything is held off (false where the system offers neither).
    bool holding() const { return m_holding; }

    // Puts back what the living object holds, at the end of the program
    // (the exit procedure, also after an error, before the process ends
    // without destructors). Any thread; the object's destructor then does
    // nothing more. On Windows the execution state belongs to the GUI thread
    // and ends with the process.
    static void releaseAll();

private:
    bool m_holding = false;
};

}  // namespace platform::ui
