#!/usr/bin/env python3
"""End-to-end test of how the real program ends: after an error at start-up
that the user answers one way or the other, and when the window is closed
while a display turn waits for something that does not come back. Each case
runs the program on a fresh demo shop in an X server of its own (Xvfb),
answers its boxes with real clicks and reads them through the UI probe.

  ending_test.py --lumisett EXE --stalled EXE --demo-data EXE

--stalled names the test build's lumisett-stalled (app/testing/), whose reads
hang while a marker file exists; the shipped lumisett has no such hook.

Exit code 0 when every case passed.
"""

import argparse
import os
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from driver import (Check, Processes, Program, StepFailed, contains, hidden,  # noqa: E402
                    limit_whole_run, shown, start_xvfb)

PROFILE = "E2E"
TIME_LIMIT = 150  # seconds for the whole run
ERROR_TITLE = "Kestrel Error Message"
CLOSE_LIMIT = 1.0  # seconds from the close request to the end of the process
# The tabs' shares of the tab strip.
TAB_DISPLAY, TAB_CHOOSE, TAB_SETTINGS = (0.0, 0.74), (0.74, 0.87), (0.87, 1.0)


def box_is(text_part, title=None):
    checks = [Check("message box text", lambda s: (s.box() or {}).get("text"), contains(text_part))]
    if title is not None:
        checks.append(Check("message box title", lambda s: (s.box() or {}).get("title"), title))
    return checks


def answer(prog, what, checks, caption):
    """Waits for the box `checks` describe and presses its `caption` button."""
    snap = prog.wait(what, checks, timeout=15)
    box = snap.box()
    if caption not in box["buttons"]:
        raise StepFailed(f"{what}: no '{caption}' button in {sorted(box['buttons'])}")
    prog.click_widget(box["buttons"][caption])


def ended(prog, within):
    try:
        return prog.proc.wait(timeout=within)
    except subprocess.TimeoutExpired:
        raise StepFailed(f"the program did not end within {within} s")


def close_and_time(prog):
    """The window manager's close request; the seconds until the process ended
    and its exit code."""
    window = prog.main_window_id()
    began = time.monotonic()
    prog.x.request_close(window)
    code = ended(prog, 10)
    return time.monotonic() - began, code


def damage_list(shop):
    """A slide show list whose version byte no table has."""
    with open(os.path.join(shop, "app", PROFILE + ".dbf"), "r+b") as f:
        f.write(b"\x02")


def read_log(shop):
    path = os.path.join(shop, "app", "KRLERROR.LOG")
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read().decode("cp1252")


def damaged_list_user_ends(prog, shop, exe):
    damage_list(shop)
    prog.start(exe, os.path.join(shop, "app"), [PROFILE])
    answer(prog, "the error box over the damaged list",
           box_is("version byte 2", ERROR_TITLE), "OK")
    answer(prog, "the error log's box", box_is("Error log was written to the file KRLERROR.LOG"), "OK")
    code = ended(prog, 10)
    if code != 1:
        raise StepFailed(f"exit code {code} (SIGABRT is -6), expected 1")
    log = read_log(shop)
    if log is None or "oError:description  : not a dBase III table (version byte 2)" not in log:
        raise StepFailed(f"the error log does not describe the error: {log!r}")


def go_on_past_the_damaged_list(prog, shop, exe, mode):
    damage_list(shop)
    prog.start(exe, os.path.join(shop, "app"), [PROFILE, mode])
    answer(prog, "the error box over the damaged list",
           box_is("version byte 2", ERROR_TITLE), "Cancel")
    answer(prog, "the question about the log", box_is("Exit with LOG file", ERROR_TITLE), "No")
    answer(prog, "the note about the list", box_is("The slide show list cannot be read"), "OK")
    prog.wait("the window on its Display page", [
        Check("page", lambda s: s.page, "Display"),
        Check("message box", lambda s: s.box(), None),
    ], timeout=15)


def damaged_list_user_goes_on(prog, shop, exe):
    go_on_past_the_damaged_list(prog, shop, exe, "data")
    prog.click_tab(*TAB_CHOOSE)
    prog.wait("the empty list on the Slide Show List page", [
        Check("page", lambda s: s.page, "Choose"),
        Check("list entries", lambda s: s.widget("oChooseList")["items"], []),
    ])
    seconds, code = close_and_time(prog)
    if code != 0 or seconds > CLOSE_LIMIT:
        raise StepFailed(f"closing took {seconds:.2f} s and gave exit code {code}")
    if read_log(shop) is not None:
        raise StepFailed("an error log was written although the program went on")


def close_while_the_timer_thread_asks(prog, shop, exe):
    """The slide show's turn meets the damaged list too and waits in its error
    box; closing the window answers it and ends the program at once."""
    go_on_past_the_damaged_list(prog, shop, exe, "slides")
    prog.wait("the display turn's error box", box_is("version byte 2", ERROR_TITLE), timeout=15)
    close_in_time(prog, "with the turn's error box open")


def minimal_emf():
    """A header and an end-of-file record: a sound metafile with nothing drawn."""
    eof = struct.pack("<5I", 14, 20, 0, 16, 20)
    header = struct.pack("<2I4i4i", 1, 88, 0, 0, 100, 100, 0, 0, 2646, 2646)
    header += struct.pack("<4I2H3I4I", 0x464D4520, 0x10000, 88 + len(eof), 2, 1, 0,
                          0, 0, 0, 1024, 768, 271, 203)
    return header + eof


def close_while_a_conversion_hangs(prog, shop, exe):
    """The conversion child beside the program never answers: the turn that
    shows the metafile waits for it. Closing the window stops the child and
    ends the program at once."""
    bin_dir = os.path.join(shop, "bin")
    os.makedirs(bin_dir)
    program = os.path.join(bin_dir, "lumisett")
    shutil.copy(exe, program)
    started = os.path.join(shop, "child.pid")
    child = os.path.join(bin_dir, "lumisett-tool")
    with open(child, "w") as f:
        f.write(f"#!/bin/sh\necho $$ > {started}.new\nmv {started}.new {started}\nexec sleep 60\n")
    os.chmod(child, os.stat(child).st_mode | stat.S_IXUSR)
    with open(os.path.join(shop, "data", "images", "hang.emf"), "wb") as f:
        f.write(minimal_emf())
    with open(os.path.join(shop, "till1", "image.tmp"), "wb") as f:
        f.write(b"images/hang.emf\r\n")

    prog.start(program, os.path.join(shop, "app"), [PROFILE])
    deadline = time.monotonic() + 20
    while not os.path.exists(started):
        if time.monotonic() > deadline:
            raise StepFailed("the display turn did not start the conversion within 20 s")
        prog.snapshot()  # fails when the program ended
        time.sleep(0.05)
    with open(started) as f:
        child_pid = int(f.read())
    close_in_time(prog, "with the conversion hanging")
    time.sleep(0.2)
    try:
        os.kill(child_pid, 0)
        alive = True
    except ProcessLookupError:
        alive = False
    if alive:
        os.kill(child_pid, signal.SIGKILL)
        raise StepFailed("the conversion child outlived the program")


# The test build of the program whose reads hang on request (--stalled).
STALLED = None


def start_with_stall_marker(prog, shop, exe):
    """Starts the test build so that every file access of the display cycle
    hangs while the returned marker file exists (as on a share that no longer
    answers); `exe`, the shipped program, has no such hook."""
    marker = os.path.join(shop, "share-hangs")
    prog.start(STALLED, os.path.join(shop, "app"), [marker, PROFILE])
    return marker


def shipped_program_has_no_stall_hook(prog, shop, exe):
    """The variable that once made the shipped program's reads hang, set with
    its marker in place, changes nothing: the till's item shows."""
    marker = os.path.join(shop, "share-hangs")
    open(marker, "w").close()
    os.environ["LUMISETT_TEST_STALLED_READS"] = marker
    try:
        prog.start(exe, os.path.join(shop, "app"), [PROFILE])
    finally:
        del os.environ["LUMISETT_TEST_STALLED_READS"]
    prog.wait("the till's item", [Check("description", lambda s: s.text("oDescDispBox"),
                                        contains("Price:"))], timeout=15)
    close_in_time(prog, "after showing the item")


def close_in_time(prog, while_what):
    seconds, code = close_and_time(prog)
    if code != 0 or seconds > CLOSE_LIMIT:
        raise StepFailed(f"closing {while_what} took {seconds:.2f} s "
                         f"(at most {CLOSE_LIMIT} s) and gave exit code {code} (expected 0)")
    print(f"     closed in {seconds:.2f} s {while_what}", flush=True)


def close_while_a_read_hangs(prog, shop, exe):
    """Every file read of the display cycle hangs, so the first turn never
    ends. Closing the window must still end the program within a second."""
    open(os.path.join(shop, "share-hangs"), "w").close()
    start_with_stall_marker(prog, shop, exe)
    welcome = Check("description", lambda s: s.text("oDescDispBox"), contains("WELCOME TO THE"))
    prog.wait("the window on its Display page", [Check("page", lambda s: s.page, "Display"), welcome],
              timeout=15)
    # The timer's first turn comes 2 s after the start; its read of the code
    # file then hangs, and the till's item never shows.
    prog.stays("the welcome text while the read hangs", [welcome], 3.0)
    close_in_time(prog, "with the read hanging")


def close_after_the_window_asked_for_turns(prog, shop, exe):
    """Apply/Save and Show ask for turns of their own while every file access
    of the display hangs: the window goes on (the box, the buttons) while
    those turns wait, and closes within a second."""
    marker = start_with_stall_marker(prog, shop, exe)
    prog.wait("the till's item", [Check("description", lambda s: s.text("oDescDispBox"),
                                        contains("Price:"))], timeout=15)
    # Freeze/Manual, then Apply/Save: the timer runs no turn of its own, so
    # the turns below are the window's.
    prog.click_widget(prog.snapshot().widget("oFreezeButton"))
    prog.wait("the manual entry field", [Check("oManualEntry", lambda s: s.widget("oManualEntry"), shown)])
    prog.click_tab(*TAB_SETTINGS)
    prog.wait("the Settings page", [Check("page", lambda s: s.page, "Settings")])
    apply_save = prog.snapshot().widget("oApplySave")
    prog.click_widget(apply_save)
    answer(prog, "the box of the first Apply/Save", box_is("Parameters saved."), "OK")
    # Manual entry's turn in progress, if any, ends within 0.2 s; no other
    # comes. (Were one still running, the program that ran the window's turns
    # on the GUI thread would queue them too, and this case would not tell.)
    time.sleep(1.0)
    open(marker, "w").close()
    prog.click_widget(apply_save)  # its turn closes the tables: it hangs
    answer(prog, "the box of Apply/Save while its turn hangs", box_is("Parameters saved."), "OK")
    prog.click_tab(*TAB_DISPLAY)
    prog.wait("the Display page", [Check("page", lambda s: s.page, "Display")])
    prog.click_widget(prog.snapshot().widget("oShowButton"))
    prog.wait("Freeze/Manual back in place of the entry field", [
        Check("oFreezeButton", lambda s: s.widget("oFreezeButton"), shown),
        Check("oManualEntry", lambda s: s.widget("oManualEntry"), hidden)])
    close_in_time(prog, "with the window's turns hanging")


CASES = [damaged_list_user_ends, damaged_list_user_goes_on, close_while_the_timer_thread_asks,
         close_while_a_conversion_hangs, close_while_a_read_hangs,
         close_after_the_window_asked_for_turns, shipped_program_has_no_stall_hook]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lumisett", required=True)
    parser.add_argument("--stalled", required=True)
    parser.add_argument("--demo-data", required=True)
    args = parser.parse_args()
    exe, demo = os.path.abspath(args.lumisett), os.path.abspath(args.demo_data)
    global STALLED
    STALLED = os.path.abspath(args.stalled)

    limit_whole_run(TIME_LIMIT)
    failed = []
    for case in CASES:
        name = case.__name__.replace("_", " ")
        root = tempfile.mkdtemp(prefix="lumisett-ending.")
        os.chmod(root, 0o700)
        processes = Processes()
        prog = None
        try:
            subprocess.run([demo, root, PROFILE], check=True, timeout=60,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=root),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            display = start_xvfb(processes)
            prog = Program(processes, display, os.path.join(root, "probe.json"),
                           os.path.join(root, "lumisett.log"))
            case(prog, root, exe)
            print(f"ok   {name}", flush=True)
            shutil.rmtree(root, ignore_errors=True)
        except Exception as e:  # noqa: BLE001 (report any fault of the run as a failure)
            failed.append(name)
            print(f"FAIL {name}: {type(e).__name__}: {e}", file=sys.stderr)
            print(f"shop folder kept: {root}", file=sys.stderr)
        finally:
            if prog is not None:
                prog.x.close()
            processes.end_all()
    signal.alarm(0)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
