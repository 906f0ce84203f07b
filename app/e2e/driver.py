"""Drives the real lumisett program as a clerk does: its own X server (Xvfb),
real mouse clicks and key presses through xdotool, and what the program shows
read back from the snapshot file its UI probe writes (LUMISETT_UI_PROBE)."""

import contextlib
import ctypes
import json
import os
import select
import signal
import subprocess
import sys
import time

import xlib

SCREEN = "1024x768x24"
PALE_GREY = (192, 192, 192)  # the empty picture canvas


class StepFailed(Exception):
    pass


def limit_whole_run(seconds):
    """Ends the run with StepFailed after `seconds`, and turns SIGTERM into
    an exit, so that the finally blocks end what the run started."""
    def out_of_time(signum, frame):
        raise StepFailed(f"the whole run took more than {seconds} s")

    def terminated(signum, frame):
        raise SystemExit(f"terminated by signal {signum}")

    signal.signal(signal.SIGALRM, out_of_time)
    signal.signal(signal.SIGTERM, terminated)
    signal.alarm(seconds)


def run_steps(steps, do_step, set_up=lambda: None):
    """Runs `set_up()`, then `do_step(step)` for each step in turn, a line
    with its time for each; True when all passed, else False after a line
    naming the step that failed and why (any fault of the run counts)."""
    began = time.monotonic()
    current = "set-up"
    try:
        set_up()
        for step in steps:
            current = step.__name__.replace("_", " ")
            t = time.monotonic()
            do_step(step)
            print(f"ok   {current} ({time.monotonic() - t:.1f} s)", flush=True)
    except StepFailed as e:
        print(f"FAIL {current}: {e}", file=sys.stderr)
        return False
    except Exception as e:  # noqa: BLE001 (report any fault of the run as a failure)
        print(f"FAIL {current}: {type(e).__name__}: {e}", file=sys.stderr)
        return False
    print(f"all steps passed in {time.monotonic() - began:.1f} s")
    return True


def _die_with_parent():
    # Runs in the child before exec: it gets SIGKILL when the driver dies, so
    # nothing is left running even when the driver itself is killed.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Processes:
    """The processes the test starts, ended (by their id) in reverse order."""

    def __init__(self):
        self._started = []

    def start(self, args, **kwargs):
        proc = subprocess.Popen(args, preexec_fn=_die_with_parent, **kwargs)
        self._started.append(proc)
        return proc

    def end_all(self):
        for proc in reversed(self._started):
            end_process(proc)
        self._started.clear()


def end_process(proc):
    """Ends `proc` when it still runs: SIGTERM, then SIGKILL after 3 s."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=3)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def start_xvfb(processes, screen=SCREEN):
    """Starts Xvfb on a free display with one screen of `screen` (WxHxD);
    returns its name (":N")."""
    return _start_x_server(processes, "Xvfb", lambda fd: [
        "Xvfb", "-displayfd", str(fd), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"])


# An X server whose screen is made of monitors that can be plugged in and out
# (xrandr): Xorg with the dummy video driver, outputs DUMMY0, DUMMY1, ...
XORG_DUMMY_CONFIG = """\
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
    Option "AllowMouseOpenFail" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2048
    EndSubSection
EndSection
"""
XORG = "/usr/lib/xorg/Xorg"  # the server itself, not the wrapper that wants a console


def start_xorg_dummy(processes, folder):
    """Starts Xorg with the dummy driver on a free display, with a
    configuration of its own in `folder` (no system one is read) and no
    console or input devices; returns its name (":N"). Its first monitor,
    DUMMY0, is on at 1024 x 768."""
    config = os.path.join(folder, "xorg-dummy.conf")
    with open(config, "w") as f:
        f.write(XORG_DUMMY_CONFIG)
    config_dir = os.path.join(folder, "xorg.conf.d")
    os.makedirs(config_dir, exist_ok=True)
    display = _start_x_server(processes, "Xorg", lambda fd: [
        XORG, "-config", config, "-configdir", config_dir, "-displayfd", str(fd),
        "-logfile", os.path.join(folder, "xorg.log"), "-nolisten", "tcp", "-noreset",
        "-sharevts", "-novtswitch"])
    xrandr(display, "--output", "DUMMY0", "--mode", "1024x768")
    return display


def xrandr(display, *args):
    env = dict(os.environ, DISPLAY=display)
    env.pop("XAUTHORITY", None)
    r = subprocess.run(["xrandr", *args], env=env, capture_output=True, text=True, timeout=15)
    if r.returncode != 0:
        raise StepFailed(f"xrandr {' '.join(args)}: {r.stderr.strip()}")
    return r.stdout


def _start_x_server(processes, name, command):
    read_end, write_end = os.pipe()
    try:
        processes.start(command(write_end), pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        os.close(write_end)
        write_end = None
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                raise StepFailed(f"{name} did not report its display within 15 s")
            chunk = os.read(read_end, 16)
            if not chunk:
                raise StepFailed(f"{name} ended before reporting its display")
            number += chunk
        return ":" + number.decode().strip()
    finally:
        os.close(read_end)
        if write_end is not None:
            os.close(write_end)


def strip_mnemonic(caption):
    return caption.replace("&", "")


class Snapshot:
    """One snapshot of the probe (see app/ui_probe.h)."""

    def __init__(self, data):
        self.data = data
        self.page = data["page"]
        self.blocked = data["inputBlocked"]
        self.modal = data["modal"]
        self.focus = data["focus"]
        self.windows = data["windows"]

    @property
    def main(self):
        w = self.windows[0] if self.windows else None
        return w if w and w["class"] == "app::MainWindow" else None

    def widget(self, name):
        """The visible widget called `name`, or None."""
        for window in self.windows:
            for w in window["widgets"]:
                if w["name"] == name:
                    return w
        return None

    def text(self, name):
        w = self.widget(name)
        return None if w is None else w.get("text")

    def box(self):
        """The message box on screen: {title, text, buttons: {caption: widget}}, or None."""
        for window in self.windows:
            if window["class"] != "QMessageBox":
                continue
            text = ""
            buttons = {}
            for w in window["widgets"]:
                if w["name"] == "qt_msgbox_label":
                    text = w["text"]
                elif w["class"] == "QPushButton":
                    buttons[strip_mnemonic(w["text"])] = w
            return {"title": window["title"], "text": text, "buttons": buttons}
        return None

    def find(self, cls, text):
        """The first visible widget of class `cls` showing `text`, or None."""
        for window in self.windows:
            for w in window["widgets"]:
                if w["class"] == cls and strip_mnemonic(w.get("text", "")) == text:
                    return w
        return None


class Check:
    """One expectation about a snapshot: `get` picks what is seen, `want` is
    the expected value or a predicate (a function with a `wanted` text)."""

    def __init__(self, label, get, want):
        self.label, self.get, self.want = label, get, want

    def seen(self, snap):
        try:
            return self.get(snap)
        except (KeyError, IndexError, TypeError) as e:
            return f"<unreadable: {e!r}>"

    def holds(self, snap):
        value = self.seen(snap)
        return self.want(value) if callable(self.want) else value == self.want

    def wanted(self):
        return getattr(self.want, "wanted", None) or repr(self.want)


def predicate(text, fn):
    fn.wanted = text
    return fn


def contains(part):
    return predicate(f"text containing {part!r}", lambda v: isinstance(v, str) and part in v)


def ends_with(part):
    return predicate(f"text ending in {part!r}", lambda v: isinstance(v, str) and v.endswith(part))


def shown(v):
    return v is not None


shown.wanted = "visible"


def hidden(v):
    return v is None


hidden.wanted = "not visible"


def wait_for(snapshot, what, checks, timeout):
    """Polls `snapshot` until every check holds; else fails naming what was seen."""
    deadline = time.monotonic() + timeout
    while True:
        snap = snapshot()
        if snap is not None and all(c.holds(snap) for c in checks):
            return snap
        if time.monotonic() > deadline:
            break
        time.sleep(0.05)
    if snap is None:
        raise StepFailed(f"{what}: no snapshot from the program within {timeout} s")
    lines = [f"{what}: not seen within {timeout} s"]
    for c in checks:
        if not c.holds(snap):
            lines.append(f"  {c.label}: expected {c.wanted()}, saw {c.seen(snap)!r}")
    raise StepFailed("\n".join(lines))


class Program:
    """The program under test in its own X server."""

    def __init__(self, processes, display, probe_file, log_file):
        self.processes = processes
        self.display = display
        self.probe_file = probe_file
        self.log_file = log_file
        self.proc = None
        self.x = xlib.Display(display)
        self.last = None  # the last snapshot read

    def env(self, **extra):
        env = dict(os.environ)
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=os.path.dirname(self.probe_file))
        env.pop("XAUTHORITY", None)
        env.update(extra)
        return env

    def start(self, exe, cwd, args):
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.probe_file)
        self.log = open(self.log_file, "wb")
        self.proc = self.processes.start([exe] + args, cwd=cwd, stdout=self.log,
                                         stderr=subprocess.STDOUT,
                                         env=self.env(LUMISETT_UI_PROBE=self.probe_file))

    def snapshot(self):
        if self.proc is not None and self.proc.poll() is not None:
            raise StepFailed(f"the program ended (exit code {self.proc.returncode})")
        try:
            with open(self.probe_file, "rb") as f:
                self.last = Snapshot(json.load(f))
        except FileNotFoundError:
            pass
        return self.last

    def wait(self, what, checks, timeout=4.0):
        """Polls the probe until every check holds; else fails naming what was seen."""
        return wait_for(self.snapshot, what, checks, timeout)

    def stays(self, what, checks, seconds):
        """Checks that every check holds throughout `seconds` (for things that must not change)."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            snap = self.snapshot()
            for c in checks:
                if not c.holds(snap):
                    raise StepFailed(f"{what}: {c.label} changed: expected {c.wanted()}, "
                                     f"saw {c.seen(snap)!r}")
            time.sleep(0.05)

    # Input, as the clerk gives it.

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, timeout=10)

    def click_screen(self, x, y):
        self.xdotool("mousemove", str(int(x)), str(int(y)), "click", "1")

    def window_origin(self):
        main = self.snapshot().main
        if main is None:
            raise StepFailed("the main window is not on the screen")
        return main["rect"]

    def click_page(self, x, y, w, h):
        """Clicks the middle of the widget a page places at {x, y} (its lower-left
        corner, from the page's lower-left corner) with size {w, h}."""
        left, top, _, height = self.window_origin()
        self.click_screen(left + x + w / 2, top + height - y - h / 2)

    def click_tab(self, share_from, share_to):
        """Clicks the tab spanning that share of the strip (0 to 1)."""
        left, top, width, _ = self.window_origin()
        strip = width - 6
        self.click_screen(left + strip * (share_from + share_to) / 2, top + 12)

    def click_widget(self, widget):
        x, y, w, h = widget["rect"]
        self.click_screen(x + w / 2, y + h / 2)

    def type(self, text):
        self.xdotool("type", "--delay", "25", text)

    def key(self, *names):
        self.xdotool("key", "--delay", "25", *names)

    def grab(self, rect):
        x, y, w, h = rect
        return self.x.grab(x, y, w, h)

    def main_window_id(self):
        """The main window of this program (of its process, where several run)."""
        pid = [] if self.proc is None else ["--all", "--pid", str(self.proc.pid)]
        out = subprocess.run(["xdotool", "search", *pid, "--name", "^Lumisett by Tillmaster"],
                             env=self.env(), capture_output=True, text=True, timeout=10)
        ids = out.stdout.split()
        if not ids:
            raise StepFailed("no window named 'Lumisett by Tillmaster ...' on the screen")
        return int(ids[0])


def picture_colours(rows, step=4):
    """The distinct colours of a sample of the picture."""
    return {rows[y][x] for y in range(0, len(rows), step) for x in range(0, len(rows[0]), step)}
