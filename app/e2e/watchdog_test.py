#!/usr/bin/env python3
"""End-to-end test of the watchdog ([Watchdog] 1): the real program started
as a shop starts it supervises its display, which runs as its child. Each
case runs on a fresh demo shop in an X server of its own (Xvfb), reads the
display through the UI probe (the child inherits LUMISETT_UI_PROBE) and the
watchdog's log in the program folder.

  watchdog_test.py --lumisett EXE --demo-data EXE --tool EXE

Exit code 0 when every case passed.
"""

import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from clerk_test import item_shown  # noqa: E402
from driver import StepFailed  # noqa: E402
from hands_off import PROFILE, alive, close_display, run_cases  # noqa: E402

TIME_LIMIT = 200  # seconds for the whole run
WATCHDOG = "\r\n[Watchdog]\r\n1\r\n"
BACK_WITHIN = 5.0  # seconds from the kill to the till's code on the screen again
CODES = ["RG--001", "ER--010", "BR--777"]
PICTURES = {"CH--123": "CH--123.jpg", "RG--001": "RG--001.png", "ER--010": "ER--010.gif",
            "BR--777": "BR--777.bmp"}


def the_till_shows(case, code):
    return item_shown(case.shop, code, PICTURES[code], "(till1)")


def started_with_watchdog(case):
    """The shop's start with the watchdog on: its first display shows the till's item."""
    case.add_sections(WATCHDOG)
    case.start()
    pid = case.wait_for_display(1)
    case.prog.wait("the till's item on the first display", the_till_shows(case, "CH--123"),
                   timeout=15)
    return pid


def killed_display_comes_back(case):
    """SIGKILL twice: each time the display is back within 5 s with the
    till's current code, which the till wrote while it was gone."""
    pid = started_with_watchdog(case)
    for n, code in enumerate(CODES[:2], start=2):
        os.kill(pid, signal.SIGKILL)
        began = time.monotonic()
        case.shop.write_code(case.shop.till1, code)
        case.prog.wait(f"display {n} with the till's new code {code}", the_till_shows(case, code),
                       timeout=BACK_WITHIN + 2)
        took = time.monotonic() - began
        new = case.wait_for_display(n, timeout=0)
        if new == pid or alive(pid):
            raise StepFailed(f"display {n} is process {new}; the killed one ({pid}) alive: {alive(pid)}")
        if took > BACK_WITHIN:
            raise StepFailed(f"display {n} showed the till's code {took:.2f} s after the kill "
                             f"(at most {BACK_WITHIN} s)")
        print(f"     back with the till's code {took:.2f} s after the kill", flush=True)
        pid = new
    restarts = [line for line in case.log_lines() if "restarting the display" in line]
    if len(restarts) != 2 or not all(line.endswith("it crashed or was killed (code 9)")
                                     for line in restarts):
        raise StepFailed(f"the log's restarts: {restarts}")


def closed_display_is_not_restarted(case):
    """A second start raises the running display and starts no second
    watchdog; the clerk's close ends the display and the watchdog with it."""
    pid = started_with_watchdog(case)
    again = subprocess.run([case.args.lumisett, PROFILE], cwd=case.shop.app, env=case.x_env(),
                           capture_output=True, text=True, timeout=20)
    if again.returncode != 0 or "already runs" not in again.stderr:
        raise StepFailed(f"the second start ended with exit code {again.returncode}, "
                         f"saying {again.stderr!r}")
    close_display(case, pid)
    try:
        code = case.prog.proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise StepFailed("the watchdog did not end within 10 s of the close")
    lines = case.log_lines()
    if code != 0 or not lines[-1].endswith("display closed (exit code 0); the watchdog ends"):
        raise StepFailed(f"the watchdog ended with exit code {code}; its log: {lines}")
    starts = [line for line in lines if "watchdog started" in line]
    if len(starts) != 1 or len(case.display_pids()) != 1 or alive(pid):
        raise StepFailed(f"the second start or the close started more: {lines}")


def repeated_crashes_give_up(case):
    """Each display killed as soon as it starts: after 5 restarts the
    watchdog gives up with a line in its log and exit code 1."""
    case.add_sections(WATCHDOG)
    case.start()
    n = 1
    while True:
        try:
            pid = case.wait_for_display(n)
        except StepFailed:
            if case.prog.proc.poll() is None:
                raise
            break
        os.kill(pid, signal.SIGKILL)
        n += 1
    lines = case.log_lines()
    if case.prog.proc.returncode != 1 or len(case.display_pids()) != 6:
        raise StepFailed(f"exit code {case.prog.proc.returncode} after "
                         f"{len(case.display_pids())} displays; the log: {lines}")
    last = ("giving up: it crashed or was killed (code 9) after 5 restarts within 2 minutes; "
            "the display stays closed")
    if not lines[-1].endswith(last):
        raise StepFailed(f"the log ends with {lines[-1]!r}")
    print(f"     {lines[-1]}", flush=True)


def hung_display_is_killed_and_restarted(case):
    """A display that stops (SIGSTOP: its GUI thread beats no more) is killed
    after 30 s and started again."""
    pid = started_with_watchdog(case)
    os.kill(pid, signal.SIGSTOP)
    began = time.monotonic()
    case.wait_for_log("restarting the display: it did not answer for 30 seconds and was killed",
                      timeout=45)
    took = time.monotonic() - began
    if took < 29:
        raise StepFailed(f"the stopped display was taken for hung after {took:.1f} s")
    case.shop.write_code(case.shop.till1, "BR--777")
    case.prog.wait("the next display with the till's code", the_till_shows(case, "BR--777"),
                   timeout=BACK_WITHIN + 2)
    if alive(pid):
        raise StepFailed(f"the hung display {pid} still runs")
    print(f"     taken for hung {took:.1f} s after it stopped", flush=True)


CASES = [killed_display_comes_back, closed_display_is_not_restarted, repeated_crashes_give_up,
         hung_display_is_killed_and_restarted]

if __name__ == "__main__":
    sys.exit(run_cases(CASES, TIME_LIMIT))
