"""What the end-to-end tests of a display nobody touches share (watchdog_test.py,
kiosk_test.py): cases, each on a fresh demo shop in an X server of its own
(Xvfb), with the parameter file's additions, and the watchdog's log."""

import argparse
import contextlib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from clerk_test import PROFILE, Shop, save_evidence  # noqa: F401 (PROFILE for the tests)
from driver import Processes, Program, StepFailed, end_process, limit_whole_run, start_xvfb

WATCHDOG_LOG = "lumisett-watchdog.log"
STARTED = re.compile(r"display started \(process (\d+)\)$")


class Case:
    """One case's shop, X server and program (started by the case)."""

    def __init__(self, args, root, processes):
        self.args, self.root, self.processes = args, root, processes
        self.shop = Shop(root, args)
        self.display = start_xvfb(processes)
        self.prog = Program(processes, self.display, os.path.join(root, "probe.json"),
                            os.path.join(root, "lumisett.log"))

    def add_sections(self, text):
        """Appends sections ("\\r\\n[Kiosk]\\r\\n1\\r\\n") to the parameter file."""
        with open(os.path.join(self.shop.app, PROFILE + ".ini"), "ab") as f:
            f.write(text.encode("cp1252"))

    def start(self, args=None):
        self.prog.start(self.args.lumisett, self.shop.app, args or [PROFILE])

    def x_env(self):
        return self.prog.env()

    # The watchdog's log.

    def log_lines(self):
        try:
            with open(os.path.join(self.shop.app, WATCHDOG_LOG), "rb") as f:
                return f.read().decode("utf-8").split("\r\n")[:-1]
        except FileNotFoundError:
            return []

    def display_pids(self):
        """The display processes the watchdog started, in order."""
        return [int(m.group(1)) for m in map(STARTED.search, self.log_lines()) if m]

    def wait_for_display(self, n, timeout=10):
        """The process id of the watchdog's n-th display (1 the first), once started."""
        deadline = time.monotonic() + timeout
        while True:
            pids = self.display_pids()
            if len(pids) >= n:
                return pids[n - 1]
            if time.monotonic() > deadline:
                raise StepFailed(f"display {n} not started within {timeout} s; the log: "
                                 f"{self.log_lines()}")
            if self.prog.proc.poll() is not None:
                raise StepFailed(f"the watchdog ended (exit code {self.prog.proc.returncode}) "
                                 f"before display {n}; the log: {self.log_lines()}")
            time.sleep(0.02)

    def wait_for_log(self, part, timeout):
        deadline = time.monotonic() + timeout
        while not any(part in line for line in self.log_lines()):
            if time.monotonic() > deadline:
                raise StepFailed(f"no {part!r} in the watchdog's log within {timeout} s: "
                                 f"{self.log_lines()}")
            time.sleep(0.05)

    def end_watchdog(self):
        """Ends the program the case started (the watchdog, where it runs one),
        so that it starts no display after end_displays."""
        if self.prog.proc is not None:
            end_process(self.prog.proc)

    def end_displays(self):
        """Kills (by their ids) the watchdog's displays that still run: the
        watchdog leaves its display running when it is itself ended."""
        for pid in self.display_pids():
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)


def alive(pid):
    """Whether process `pid` runs (not ended, not a zombie waiting for its parent)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def run_cases(cases, time_limit):
    """Runs each case on a fresh shop; exit code 0 when every case passed."""
    parser = argparse.ArgumentParser()
    for name in ("lumisett", "demo-data", "tool"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    for name in ("lumisett", "demo_data", "tool"):
        setattr(args, name, os.path.abspath(getattr(args, name)))

    limit_whole_run(time_limit)
    failed = []
    for case in cases:
        name = case.__name__.replace("_", " ")
        root = tempfile.mkdtemp(prefix="lumisett-hands-off.")
        os.chmod(root, 0o700)
        processes = Processes()
        c = None
        began = time.monotonic()
        try:
            c = Case(args, root, processes)
            case(c)
            print(f"ok   {name} ({time.monotonic() - began:.1f} s)", flush=True)
            shutil.rmtree(root, ignore_errors=True)
        except Exception as e:  # noqa: BLE001 (report any fault of the run as a failure)
            failed.append(name)
            print(f"FAIL {name}: {type(e).__name__}: {e}", file=sys.stderr)
            if c is not None and c.prog.proc is not None:
                save_evidence(c.prog, root)
            print(f"shop folder kept: {root}", file=sys.stderr)
        finally:
            if c is not None:
                c.end_watchdog()
                c.end_displays()
                c.prog.x.close()
            processes.end_all()
    signal.alarm(0)
    return 1 if failed else 0


def close_display(case, pid):
    """The window manager's close request to the window of display process `pid`."""
    out = subprocess.run(["xdotool", "search", "--all", "--pid", str(pid), "--name",
                          "^Lumisett by Tillmaster"], env=case.x_env(), capture_output=True,
                         text=True, timeout=10)
    ids = out.stdout.split()
    if not ids:
        raise StepFailed(f"no window of process {pid} on the screen")
    case.prog.x.request_close(int(ids[0]))
