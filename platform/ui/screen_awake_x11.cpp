#include "platform/ui/screen_awake.h"

#include <QGuiApplication>
#include <mutex>

// After Qt: Xlib's macros (Bool, Status, None) would clash with its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace platform::ui {
namespace {

// The root window property that keeps the DPMS state from before the first
// display that disabled it (a CARDINAL, 1 enabled, 0 disabled), until the
// display that puts it back removes it.
constexpr const char* kDpmsBefore = "_LUMISETT_DPMS_BEFORE";

// What the living object holds off, on which connection. Under g_mutex.
struct Held {
    Display* display = nullptr;
    bool suspended = false;     // XScreenSaverSuspend(True) in force
    bool dpmsHeld = false;      // DPMS disabled by us (or found disabled)
    bool dpmsWasOn = false;     // the state to put back
};

std::mutex g_mutex;
Held g_held;

Display* x11Display() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// The shop's own DPMS state: the one an earlier display kept on the root
// window when it disabled DPMS (it may have crashed before putting it back),
// else `now`, which is kept there from now on.
bool dpmsStateBefore(Display* d, bool now) {
    const Window root = DefaultRootWindow(d);
    const Atom property = XInternAtom(d, kDpmsBefore, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root, property, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success) {
        const bool found = type == XA_CARDINAL && format == 32 && count == 1 && data;
        const bool kept = found && *reinterpret_cast<long*>(data) != 0;
        if (data) XFree(data);
        if (found) return kept;
    }
    long value = now ? 1 : 0;
    XChangeProperty(d, root, property, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    return now;
}

void release(Held& held) {
    if (!held.display) return;
    if (held.suspended) XScreenSaverSuspend(held.display, False);
    if (held.dpmsHeld) {
        if (held.dpmsWasOn) DPMSEnable(held.display);
        XDeleteProperty(held.display, DefaultRootWindow(held.display),
                        XInternAtom(held.display, kDpmsBefore, False));
    }
    XFlush(held.display);
    held = {};
}

}  // namespace

ScreenAwake::ScreenAwake() {
    Display* d = x11Display();
    if (!d) return;
    std::lock_guard lock(g_mutex);
    release(g_held);
    g_held.display = d;
    int event = 0, error = 0, major = 0, minor = 0;
    // Suspension came with version 1.1 of the extension.
    if (XScreenSaverQueryExtension(d, &event, &error) && XScreenSaverQueryVersion(d, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 1))) {
        XScreenSaverSuspend(d, True);
        g_held.suspended = true;
    }
    // A saver already on when the hold begins goes off: the screen shows the display.
    XResetScreenSaver(d);
    CARD16 level = 0;
    BOOL on = False;
    if (DPMSQueryExtension(d, &event, &error) && DPMSCapable(d) && DPMSInfo(d, &level, &on)) {
        g_held.dpmsWasOn = dpmsStateBefore(d, on);
        if (on) DPMSDisable(d);
        g_held.dpmsHeld = true;
    }
    XFlush(d);
    m_holding = g_held.suspended || g_held.dpmsHeld;
    if (!m_holding) g_held = {};
}

ScreenAwake::~ScreenAwake() {
    if (!m_holding) return;
    std::lock_guard lock(g_mutex);
    release(g_held);
}

void ScreenAwake::releaseAll() {
    std::lock_guard lock(g_mutex);
    release(g_held);
}

}  // namespace platform::ui
