#!/usr/bin/env python3
"""End-to-end test of what a jewellery shop may turn on in the parameter file:
the views of a piece stepping on the screen, price on request, and the log of
items shown with `lumisett-tool shown` counting it. The real lumisett program
on a fresh demo shop in an X server of its own, driven and checked as
clerk_test.py does.

  additions_test.py --lumisett EXE --demo-data EXE --tool EXE [--keep]
"""

import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from clerk_test import (FREEZE, PROFILE, SHOW, WATCH, Shop, close, on_page,  # noqa: E402
                        run_in_shop, test_arguments, text_of)
from driver import Check, Program, StepFailed, ends_with, start_xvfb  # noqa: E402

TIME_LIMIT = 150
THRESHOLD = "8995"  # RG--001's price: at it; CH--123 (1250.00) below; 1200345 above
ON_REQUEST = "Ask us about this piece"
VIEWS = {  # the pictures of a piece in the order the screen steps through them
    "CH--123": ["CH\\CH--123.jpg", "CH\\CH--123_2.png", "CH\\CH--123_3.gif"],
    "ER--010": ["ER--010.gif", "ER--010_2.jpg"],
}


class Run:
    def __init__(self, root, args, processes):
        self.shop = Shop(root, args)
        self.args, self.root = args, root
        images = os.path.join(self.shop.data, "images")
        for source, view in (("RG--001.png", "CH/CH--123_2.png"), ("images/ER--010.gif", "CH/CH--123_3.gif"),
                             ("images/CH/CH--123.jpg", "ER--010_2.jpg")):
            shutil.copyfile(os.path.join(self.shop.data, source), os.path.join(images, view))
        ini = os.path.join(self.shop.app, PROFILE + ".ini")
        with open(ini, "ab") as f:
            f.write(f"\r\n[Views]\r\n1\r\n\r\n[PriceOnRequest]\r\n{THRESHOLD}\r\n{ON_REQUEST}\r\n"
                    f"\r\n[ShownLog]\r\n1\r\n".encode("cp1252"))
        os.environ["LUMISETT_UI_PROBE_MS"] = "30"  # fine enough to see the first view of a code
        self.prog = Program(processes, start_xvfb(processes), os.path.join(root, "probe.json"),
                            os.path.join(root, "lumisett.log"))
        self.prog.start(args.lumisett, self.shop.app, [PROFILE])
        self.prog.wait("the window", [on_page("Display")], timeout=15)

    def described(self, code):
        """The description with the price as the parameter file asks."""
        text = self.shop.describe(code)
        price = float(re.search(r"Price: *\$?([0-9.]+)$", text).group(1))
        if price >= float(THRESHOLD):
            text = re.sub(r"Price: .*$", "Price: " + ON_REQUEST, text)
        return text


def picture(snap):
    return snap.widget("oStat")["file"]


def item(run, code):
    return [text_of("oDescDispBox", run.described(code)), text_of("oTitle", code)]


def views_step_in_turn(run, code, timeout=4):
    """Each view of `code` in turn and the first again; the item's text stays."""
    for view in VIEWS[code][1:] + VIEWS[code][:1]:
        run.prog.wait(f"{code}'s view {view}", item(run, code) +
                      [Check("oStat file", picture, ends_with("\\" + view))], timeout=timeout)


def first_view_of(run, code, timeout=4):
    """Waits for `code` on the screen; the first of its pictures seen is its first view."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        snap = run.prog.snapshot()
        if snap is not None and snap.text("oTitle") == code:
            if not picture(snap).endswith("\\" + VIEWS[code][0]):
                raise StepFailed(f"{code} began with {picture(snap)}, not its first view {VIEWS[code][0]}")
            return
        time.sleep(0.01)
    raise StepFailed(f"{code} not on the screen within {timeout} s")


# The steps.

def views_of_the_till_item(run):
    run.prog.click_page(*WATCH)  # the till's code file holds CH--123
    run.prog.wait("the till's item", item(run, "CH--123"))
    views_step_in_turn(run, "CH--123")


def a_new_code_starts_at_its_first_view(run):
    run.prog.wait("CH--123 on a later view",
                  [Check("oStat file", picture, ends_with("\\" + VIEWS["CH--123"][1]))], timeout=4)
    run.shop.write_code(run.shop.till1, "ER--010")
    first_view_of(run, "ER--010")
    views_step_in_turn(run, "ER--010")


def price_on_request(run):
    # CH--123 (below) showed its figure above; at the amount and above it, the text.
    for code in ("RG--001", "1200345"):
        run.shop.write_code(run.shop.till1, code)
        run.prog.wait(f"{code} at or above the amount", item(run, code))
        if ON_REQUEST not in run.prog.snapshot().text("oDescDispBox"):
            raise StepFailed(f"{code}: no '{ON_REQUEST}' in its description")
    # An item without further views stays on its one picture.
    run.prog.stays("1200345's one picture", [Check("oStat file", picture, ends_with("1200345.jpg"))], 1.5)


def slides_and_a_typed_code(run):
    run.prog.click_page(*SHOW)
    run.prog.wait("the first slide", item(run, "CH--123"), timeout=4)
    run.prog.wait("the second slide, price on request", item(run, "1200345"), timeout=8)
    run.prog.click_page(*FREEZE)
    run.prog.wait("the entry field", [Check("focus", lambda s: s.focus, "oManualEntry")])
    run.prog.type("rg--001")
    run.prog.wait("the typed item", item(run, "RG--001"))


def ending(run):
    close(run.prog, run.shop)


def the_log_and_its_counts(run):
    month = time.strftime("%Y-%m")
    log = os.path.join(run.shop.app, f"{PROFILE}-shown-{month}.csv")
    with open(log, "rb") as f:
        lines = f.read().decode("cp1252").split("\r\n")
    if lines[0] != "time,code,source,station" or lines[-1] != "":
        raise StepFailed(f"{log} does not begin with its head or end in CR LF: {lines[:2]} ... {lines[-2:]}")
    rows = [line.split(",") for line in lines[1:-1]]
    for row in rows:
        if len(row) != 4 or not re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", row[0]):
            raise StepFailed(f"not a line of the log: {row}")
    seen = [(code, source, station) for _, code, source, station in rows]
    # The slide show may reach a third slide before Freeze takes it over.
    want = [("CH--123", "till", "till1"), ("ER--010", "till", "till1"), ("RG--001", "till", "till1"),
            ("1200345", "till", "till1"), ("CH--123", "slide show", ""), ("1200345", "slide show", "")]
    if seen[:6] != want or seen[-1] != ("RG--001", "typed", "") or \
            any(source != "slide show" for _, source, _ in seen[6:-1]):
        raise StepFailed(f"the log holds {seen}, expected {want} ... ('RG--001', 'typed', '')")

    report = run.shop.tool("shown", run.shop.app, PROFILE, "--from", time.strftime("%Y-%m-%d"))
    counts, source = {}, None
    for line in report.stdout.splitlines():
        if m := re.fullmatch(r"(till|slide show|typed): \d+ shown, \d+ items?", line):
            source = m.group(1)
        elif m := re.fullmatch(r" +(\d+)  (\S+)", line):
            counts.setdefault(source, {})[m.group(2)] = int(m.group(1))
    if report.returncode != 0 or counts.get("till") != {"CH--123": 1, "ER--010": 1, "RG--001": 1, "1200345": 1} \
            or counts.get("typed") != {"RG--001": 1} or counts["slide show"].get("1200345") != 1:
        raise StepFailed(f"lumisett-tool shown: exit {report.returncode}, printed:\n{report.stdout}{report.stderr}")


STEPS = [views_of_the_till_item, a_new_code_starts_at_its_first_view, price_on_request,
         slides_and_a_typed_code, ending, the_log_and_its_counts]


def main():
    args = test_arguments(("lumisett", "demo-data", "tool"))
    run = None

    def set_up(root, processes):
        nonlocal run
        run = Run(root, args, processes)

    def shown():
        return run.prog if run is not None and run.prog.proc.poll() is None else None

    def close_display():
        if run is not None:
            run.prog.x.close()

    return run_in_shop(args, "lumisett-e2e-additions.", TIME_LIMIT, STEPS, set_up,
                       lambda step: step(run), shown, close_display)


if __name__ == "__main__":
    sys.exit(main())
