#!/usr/bin/env python3
"""End-to-end test of the kiosk ([Kiosk] 1): while the real program runs, the
X server's screen saver stays off however long nobody touches anything, and
the mouse pointer disappears over the Display page after 3 s at rest; after
the program the saver comes on again. Each case runs on a fresh demo shop in
an X server of its own (Xvfb, which has the screen saver and XFixes
extensions but no DPMS), whose saver starts after 2 s without input
(xset s 2). The saver's state is read with XScreenSaverQueryInfo, the
pointer's image with XFixesGetCursorImage.

  kiosk_test.py --lumisett EXE --demo-data EXE --tool EXE

Exit code 0 when every case passed.
"""

import ctypes
import ctypes.util
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from clerk_test import (NO_BOX, TAB_DISPLAY, TAB_SETTINGS, box_shown, item_shown,  # noqa: E402
                        on_page, press_box_button)
from driver import Check, StepFailed  # noqa: E402
from hands_off import close_display, run_cases  # noqa: E402

TIME_LIMIT = 120  # seconds for the whole run
KIOSK = "\r\n[Kiosk]\r\n1\r\n"
SAVER_SECONDS = 2  # xset s 2
IDLE = 5.0  # seconds without input: well past the saver's start (checked every 0.25 s)
POINTER_REST = 3.0  # the program hides the pointer after this long at rest
SAVER_ON = 1  # ScreenSaverOn in XScreenSaverInfo.state


class _SaverInfo(ctypes.Structure):
    _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong),
                ("eventMask", ctypes.c_ulong)]


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


class XState:
    """The X server's screen saver and pointer image, on a connection of its own."""

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xss = ctypes.CDLL(ctypes.util.find_library("Xss") or "libXss.so.1")
        self.xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                                   ctypes.POINTER(_SaverInfo)]
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise StepFailed(f"cannot open X display {display}")

    def close(self):
        self.x.XCloseDisplay(self.dpy)

    def saver_on(self):
        info = _SaverInfo()
        if not self.xss.XScreenSaverQueryInfo(self.dpy, self.x.XDefaultRootWindow(self.dpy),
                                              ctypes.byref(info)):
            raise StepFailed("the X server has no screen saver extension")
        return info.state == SAVER_ON

    def pointer_shown(self):
        """Whether the pointer's image has any pixel that is not transparent."""
        image = self.xfixes.XFixesGetCursorImage(self.dpy)
        if not image:
            raise StepFailed("XFixesGetCursorImage failed")
        try:
            c = image.contents
            return any(c.pixels[i] >> 24 for i in range(c.width * c.height))
        finally:
            self.x.XFree(image)


def at_rest(state, seconds):
    """Watches `seconds` without input: when the pointer was last seen shown
    (seconds from the start, None when never) and whether the saver came on."""
    began = time.monotonic()
    last_shown, saver = None, False
    while time.monotonic() - began < seconds:
        if state.pointer_shown():
            last_shown = time.monotonic() - began
        saver = saver or state.saver_on()
        time.sleep(0.1)
    return last_shown, saver


def started(case, sections):
    subprocess.run(["xset", "s", str(SAVER_SECONDS)], env=case.x_env(), check=True, timeout=10)
    case.add_sections(sections)
    case.start()
    case.prog.wait("the till's item", item_shown(case.shop, "CH--123", "CH--123.jpg", "(till1)"),
                   timeout=15)
    state = XState(case.display)
    # The pointer onto the Display page's picture, which also ends a saver
    # that came on while the program started.
    x, y, w, h = case.prog.snapshot().widget("oStat")["rect"]
    case.prog.xdotool("mousemove", str(x + w // 2), str(y + h // 2))
    return state


def kiosk_keeps_the_screen_on(case):
    """[Kiosk] 1: no saver, the pointer hidden after 3 s at rest and shown at
    its first move; after the close the saver comes on as before."""
    state = started(case, KIOSK)
    try:
        last_shown, saver = at_rest(state, IDLE)
        if last_shown is None or not POINTER_REST - 1 <= last_shown <= POINTER_REST + 1:
            raise StepFailed(f"the pointer at rest was last seen {last_shown} s after its move "
                             f"(expected about {POINTER_REST} s)")
        if saver:
            raise StepFailed(f"the screen saver came on within {IDLE} s while the kiosk runs")
        case.prog.xdotool("mousemove_relative", "5", "5")
        time.sleep(0.6)
        if not state.pointer_shown():
            raise StepFailed("the pointer stayed hidden after it moved")
        if at_rest(state, IDLE)[1]:
            raise StepFailed("the screen saver came on while the kiosk runs")
        close_display(case, case.prog.proc.pid)
        code = case.prog.proc.wait(timeout=10)
        if code != 0:
            raise StepFailed(f"the program ended with exit code {code}")
        if not at_rest(state, IDLE)[1]:
            raise StepFailed(f"the screen saver did not come on within {IDLE} s after the program")
        print(f"     the pointer hidden {last_shown:.1f} s after its last move", flush=True)
    finally:
        state.close()


def without_kiosk_the_saver_comes(case):
    """The same display without [Kiosk]: the saver comes on and the pointer
    stays (so the case above can tell)."""
    state = started(case, "")
    try:
        last_shown, saver = at_rest(state, IDLE)
        if last_shown is None or last_shown < IDLE - 1:
            raise StepFailed(f"the pointer was hidden without the kiosk (last seen at {last_shown} s)")
        if not saver:
            raise StepFailed(f"the screen saver did not come on within {IDLE} s")
    finally:
        state.close()


def apply_save_lets_go_at_once(case):
    """The kiosk unticked on the Settings page and Apply/Save: the saver
    comes on and the pointer stays while the same display goes on running
    (the hold is let go, not only dropped with the program's connection)."""
    state = started(case, KIOSK)
    try:
        prog = case.prog
        prog.click_tab(*TAB_SETTINGS)
        prog.wait("the Settings page", [on_page("Settings")])
        prog.click_widget(prog.snapshot().widget("oKiosk"))
        prog.wait("the kiosk unticked", [Check("oKiosk", lambda s: s.widget("oKiosk")["checked"],
                                               False)])
        prog.click_widget(prog.snapshot().widget("oApplySave"))
        prog.wait("the box of Apply/Save", box_shown("Parameters saved."))
        press_box_button(prog, "OK")
        prog.wait("the box gone", [NO_BOX])
        prog.click_tab(*TAB_DISPLAY)
        prog.wait("the Display page", [on_page("Display")])
        x, y, w, h = prog.snapshot().widget("oStat")["rect"]
        prog.xdotool("mousemove", str(x + w // 2), str(y + h // 2))
        last_shown, saver = at_rest(state, IDLE)
        if not saver or last_shown is None or last_shown < IDLE - 1:
            raise StepFailed(f"after Apply/Save without the kiosk: saver on {saver}, the pointer "
                             f"last seen at {last_shown} s of {IDLE} s at rest")
        if prog.proc.poll() is not None:
            raise StepFailed(f"the program ended (exit code {prog.proc.returncode})")
    finally:
        state.close()


CASES = [kiosk_keeps_the_screen_on, without_kiosk_the_saver_comes, apply_save_lets_go_at_once]

if __name__ == "__main__":
    sys.exit(run_cases(CASES, TIME_LIMIT))
