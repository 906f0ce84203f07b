#!/usr/bin/env python3
"""End-to-end test: the real lumisett program on a fresh demo shop, driven in
an X server of its own with real mouse clicks and key presses, each step
checked from what the window shows (the UI probe's snapshots) and, where cheap,
from the screen's pixels and the files the program writes.

  clerk_test.py --lumisett EXE --demo-data EXE --tool EXE --hold-table EXE [--keep]

Exit code 0 when every step passed. A failing step is named with what was
expected and what was seen; its shop folder is kept, with the last snapshot
(probe.json), a screenshot (failure.ppm) and the program's output (lumisett.log).
"""

import argparse
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import xlib  # noqa: E402
from driver import (Check, Processes, Program, StepFailed, contains, ends_with,  # noqa: E402
                    hidden, limit_whole_run, picture_colours, predicate, run_steps, shown,
                    start_xvfb, PALE_GREY, SCREEN)

PROFILE = "E2E"
TIME_LIMIT = 180  # seconds for the whole run; the usual run takes well under a minute
DEMO_LIST = ["CH--123", "1200345", "RG--001", "images/hand.jpg", "ER--010", "1300001",
             "BR--777", "PN--404", "1400002"]
PADDED_RECORDS = 3000  # stock records added to istock.dbf after its index was built
WELCOME = "\n    WELCOME TO THE\n\n Vendora DATA DISPLAYER\n\n        VERSION 1.1"
WHITE = (255, 255, 255)  # the entry-field colour of the default desktop scheme

# The tab strip's shares: Display 0-74 %, Choose 74-87 %, Settings 87-100 %.
TAB_DISPLAY, TAB_CHOOSE, TAB_SETTINGS = (0.0, 0.74), (0.74, 0.87), (0.87, 1.0)
# Widgets at their places on the pages: {x, y} of the lower-left corner, {w, h}.
SHOW, WATCH, FREEZE = (375, 4, 47, 24), (425, 4, 47, 24), (487, 4, 98, 24)
CODE_FILE_FIELD, SLOW_FIELD, FAST_FIELD = (28, 204, 500, 24), (113, 60, 48, 24), (267, 60, 36, 24)
FULL_SCREEN, REINDEX, APPLY_SAVE = (30, 5, 535, 20), (170, 173, 50, 15), (408, 66, 96, 24)
DISPLAY_BUTTON, HELP = (408, 28, 96, 24), (408, 104, 96, 24)
ADD_IMAGE, ADD_CODE, REMOVE, MOVE_UP = (36, 276, 108, 24), (36, 252, 108, 24), (36, 180, 108, 24), (36, 132, 108, 24)
LIST_SAVE, LIST_SHOW = (36, 48, 108, 36), (36, 18, 108, 24)


class Shop:
    """The demo shop in a fresh folder, and what the test knows of it."""

    def __init__(self, root, args):
        self.root, self.args = root, args
        self.app = os.path.join(root, "app")
        self.data = os.path.join(root, "data")
        self.till1 = os.path.join(root, "till1", "image.tmp")
        self.till2 = os.path.join(root, "till2", "image.tmp")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=root)
        subprocess.run([args.demo_data, root, PROFILE], check=True, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        os.makedirs(os.path.dirname(self.till2))
        append_stock_records(os.path.join(self.data, "istock.dbf"), PADDED_RECORDS)

    def write_code(self, till, code):
        """What the point-of-sale does: replaces its image.tmp whole."""
        with open(till + ".new", "wb") as f:
            f.write(code.encode("cp1252") + b"\r\n")
        os.replace(till + ".new", till)

    def describe(self, code):
        """The description the display must show for `code` (as the box shows it)."""
        out = subprocess.run([self.args.tool, "describe", self.data, code], check=True,
                             capture_output=True, timeout=30).stdout
        return out.decode("cp1252").replace("\r\n", "\n")

    def tool(self, *args):
        return subprocess.run([self.args.tool, *args], capture_output=True, text=True, timeout=30)

    def list_table(self):
        """The slide show list table's entries, read with Perl's XBase."""
        script = ('use XBase; my $t = XBase->new(shift) or die XBase->errstr; '
                  'for my $i (0 .. $t->last_record) { my ($d, $c) = $t->get_record($i, "CODE"); '
                  'print "$c\\n" unless $d }')
        out = subprocess.run(["perl", "-e", script, os.path.join(self.app, PROFILE + ".dbf")],
                             check=True, capture_output=True, text=True, timeout=30).stdout
        return [line.rstrip() for line in out.splitlines()]


def append_stock_records(table, n):
    """Adds `n` copies of the last record of a DBF table with the codes ZZ00000,
    ZZ00001, ...; the index file is left as it was (it lacks them)."""
    with open(table, "rb") as f:
        data = bytearray(f.read())
    count, header_len, record_len = struct.unpack_from("<IHH", data, 4)
    last = data[header_len + (count - 1) * record_len:header_len + count * record_len]
    body = data[:header_len + count * record_len]
    for i in range(n):
        record = bytearray(last)
        record[0:1] = b" "
        record[1:8] = b"ZZ%05d" % i
        body += record
    body += b"\x1a"
    struct.pack_into("<I", body, 4, count + n)
    with open(table, "wb") as f:
        f.write(body)


# Checks of what the window shows.
def on_page(page):
    return Check("page", lambda s: s.page, page)


def text_of(name, want):
    return Check(f"{name} text", lambda s: s.text(name), want)


def visible(name, want=shown):
    return Check(f"{name}", lambda s: s.widget(name), want)


def item_shown(shop, code, picture_end=None, host=None):
    """The Display page showing item `code` with its description and picture."""
    checks = [on_page("Display"), text_of("oDescDispBox", shop.describe(code))]
    if picture_end is None:
        checks.append(text_of("oTitle", "Picture not found for " + code.upper()))
        checks.append(Check("oStat file", lambda s: s.widget("oStat")["file"],
                            ends_with("\\app\\logo.bmp")))  # cAppPath in its program form
    else:
        checks.append(text_of("oTitle", code))
        checks.append(Check("oStat file", lambda s: s.widget("oStat")["file"],
                            ends_with(picture_end)))
    if host is not None:
        checks.append(text_of("oTitle2", host))
    return checks


def box_shown(text_part, title=None):
    checks = [Check("message box text", lambda s: (s.box() or {}).get("text"), contains(text_part))]
    if title is not None:
        checks.append(Check("message box title", lambda s: (s.box() or {}).get("title"), title))
    return checks


NO_BOX = Check("message box", lambda s: s.box(), predicate("no box", lambda v: v is None))
QUESTION = Check("message box title", lambda s: (s.box() or {}).get("title"), "Re-index files?")
REINDEX_LABEL = Check("'Re-indexing:' label", lambda s: s.find("QLabel", "Re-indexing:"), shown)
NO_REINDEX_LABEL = Check("'Re-indexing:' label", lambda s: s.find("QLabel", "Re-indexing:"), hidden)


def bars(snap):
    return [w for w in snap.main["widgets"] if w["class"] == "inventory::ProgressBar"]


NO_BARS = Check("progress bars", bars, [])


def press_box_button(prog, caption):
    box = prog.snapshot().box()
    if box is None or caption not in box["buttons"]:
        raise StepFailed(f"no '{caption}' button in the message box: {box}")
    prog.click_widget(box["buttons"][caption])


def list_items(snap):
    return [item.rstrip() for item in snap.widget("oChooseList")["items"]]


def click_row(prog, entry):
    snap = prog.snapshot()
    items = list_items(snap)
    if entry not in items:
        raise StepFailed(f"'{entry}' is not in the list: {items}")
    row = items.index(entry)
    prog.click_widget({"rect": snap.widget("oChooseList")["rows"][row]})
    prog.wait(f"'{entry}' selected", [Check("current row",
                                           lambda s: s.widget("oChooseList")["currentRow"], row)])


def canvas_picture(prog):
    """The picture area's pixels; fails when it is blank."""
    rows = prog.grab(prog.snapshot().widget("oStat")["canvas"])
    colours = picture_colours(rows)
    if len(colours) < 20:
        raise StepFailed(f"the picture area shows {len(colours)} colours "
                         f"({'blank pale grey' if colours == {PALE_GREY} else sorted(colours)[:5]}); "
                         f"a picture has many")
    return rows


# The steps, in the order a clerk might go through them.

def start(prog, shop):
    snap = prog.wait("the window with its Display page", [
        on_page("Display"),
        text_of("oDescDispBox", WELCOME),
        Check("tab captions", lambda s: s.widget("oTabStrip")["tabs"],
              [f"The Tillmaster - data displayer - version 1.1 - {PROFILE}", "Choose", "Settings"]),
        visible("oFreezeButton"), visible("oManualEntry", hidden),
    ], timeout=15)
    # The demo's [StartPos] 100,100: the lower-left corner 100 pixels from the
    # screen's left and bottom edges (no window manager, so no frame).
    screen_height = int(SCREEN.split("x")[1])
    if snap.main["rect"] != [100, screen_height - 100 - 372, 594, 372]:
        raise StepFailed(f"window drawing area: expected 594 x 372 at 100,100 from the lower-left "
                         f"corner, saw {snap.main['rect']}")
    # Two seconds after start the timer turns begin; DATA mode reads till 1.
    prog.wait("the till's item after the start pause", item_shown(shop, "CH--123", "CH--123.jpg",
                                                                  "(till1)"), timeout=8)


def switch_pages(prog, shop):
    prog.click_tab(*TAB_CHOOSE)
    prog.wait("the Choose page with the saved list", [
        on_page("Choose"), visible("oDescDispBox", hidden),
        Check("list entries", list_items, DEMO_LIST),
        text_of("listHeading", "Slide Show List")])
    prog.click_tab(*TAB_SETTINGS)
    prog.wait("the Settings page with the saved settings", [
        on_page("Settings"), text_of("oImagePath", shop.till1), text_of("oDataPath", shop.data),
        Check("oSlow", lambda s: s.widget("oSlow")["value"], 40),
        Check("oFast", lambda s: s.widget("oFast")["value"], 5),
        Check("oFullScreen", lambda s: s.widget("oFullScreen")["checked"], False)])
    prog.click_page(*DISPLAY_BUTTON)
    prog.wait("the Display page after its button on the Settings page", [on_page("Display")])
    prog.click_tab(*TAB_CHOOSE)
    prog.wait("the Choose page again", [on_page("Choose")])
    prog.click_tab(*TAB_DISPLAY)
    prog.wait("the Display page after its tab", [on_page("Display"), visible("oStat")])
    prog.click_tab(*TAB_DISPLAY)  # the page already shown: nothing changes
    prog.stays("the Display page after its tab again", [on_page("Display")], 0.3)

    # The mouse wheel over the strip, and its arrow keys once Tab has taken the
    # focus there, change the page with the tab.
    x, y, w, h = prog.snapshot().widget("oTabStrip")["rect"]
    for button, page in (("5", "Choose"), ("5", "Settings"), ("4", "Choose"), ("4", "Display")):
        prog.xdotool("mousemove", str(x + w // 2), str(y + h // 2), "click", button)
        prog.wait(f"the {page} page after the wheel", tab_and_page(page))
    for _ in range(20):
        if prog.snapshot().focus == "oTabStrip":
            break
        prog.key("Tab")
        time.sleep(0.15)
    prog.wait("the focus on the tab strip", [Check("focus", lambda s: s.focus, "oTabStrip")])
    for key, page in (("Right", "Choose"), ("Right", "Settings"), ("Left", "Choose")):
        prog.key(key)
        prog.wait(f"the {page} page after {key}", tab_and_page(page))
    # The list in the entry-field colour, not the page's button face.
    lx, ly, lw, lh = prog.snapshot().widget("oChooseList")["rect"]
    below_entries = prog.grab((lx + lw // 2, ly + lh - 8, 1, 1))[0][0]
    page_colour = prog.grab((lx - 8, ly + lh // 2, 1, 1))[0][0]
    if below_entries != WHITE or below_entries == page_colour:
        raise StepFailed(f"the list's background is {below_entries} on a page of {page_colour}; "
                         f"expected the entry-field colour {WHITE}")
    prog.click_tab(*TAB_DISPLAY)
    prog.wait("the Display page after its tab", [on_page("Display")])


def tab_and_page(page):
    tabs = ["Display", "Choose", "Settings"]
    return [on_page(page), Check("current tab", lambda s: s.widget("oTabStrip")["current"],
                                 tabs.index(page))]


def follow_the_till(prog, shop):
    prog.click_page(*WATCH)  # the saved data monitor period: half a second
    shop.write_code(shop.till1, "RG--001")
    prog.wait("the till's new item", item_shown(shop, "RG--001", "RG--001.png", "(till1)"))
    ring = canvas_picture(prog)
    shop.write_code(shop.till1, "PN--404")  # an item without a picture: the logo
    prog.wait("an item without a picture", item_shown(shop, "PN--404", None, "(till1)"))
    if canvas_picture(prog) == ring:
        raise StepFailed("the picture area did not change from the ring to the logo")
    shop.write_code(shop.till1, "images/hand.jpg")  # a picture file of the data path
    prog.wait("a picture named by the till", [
        text_of("oTitle", "hand"),
        Check("oStat file", lambda s: s.widget("oStat")["file"], ends_with("images\\hand.jpg"))])
    shop.write_code(shop.till1, "ZZ01234")  # in the table but not in its old index
    prog.wait("a code the index does not know", [
        text_of("oDescDispBox", shop.describe("ZZ01234")),
        text_of("oTitle", "Picture not found for ZZ01234")])


def freeze_and_type(prog, shop):
    prog.click_page(*FREEZE)
    prog.wait("the entry field in place of Freeze/Manual", [
        visible("oManualEntry"), visible("oFreezeButton", hidden),
        Check("focus", lambda s: s.focus, "oManualEntry"),
        text_of("oTitle", "Picture not found for ZZ01234")])
    prog.type("12345")
    prog.key("Return")
    prog.wait("the typed short code, completed", item_shown(shop, "1200345", "1200345.jpg") +
              [text_of("oManualEntry", "")])
    prog.type("er--010")  # the seventh character completes the code
    prog.wait("a seven-character code, typed in lower case",
              item_shown(shop, "ER--010", "ER--010.gif"))
    shop.write_code(shop.till1, "BR--777")  # the till is not followed in manual entry
    prog.stays("the typed item while the till changes", [text_of("oTitle", "ER--010")], 1.0)


def help_viewer(snap):
    return [w for w in snap.main["widgets"] if w["class"] == "QPlainTextEdit" and w["name"] == ""]


def apply_settings(prog, shop):
    prog.click_tab(*TAB_SETTINGS)
    prog.wait("the Settings page", [on_page("Settings")])
    prog.click_page(*HELP)
    prog.wait("the help text", [Check("help viewer text",
                                      lambda s: [w["text"][:31] for w in help_viewer(s)],
                                      ["LUMISETT - the customer display"]),
                                # over the window's whole client area, none of it cut off
                                Check("help viewer place", lambda s: [w["rect"] for w in help_viewer(s)],
                                      predicate("the main window's client area",
                                                lambda v, p=prog: v == [p.snapshot().main["rect"]]))])
    prog.key("space")  # any key closes it
    prog.wait("the help closed", [Check("help viewers", help_viewer, []), on_page("Settings")])
    for field, value in ((SLOW_FIELD, "20"), (FAST_FIELD, "7"), (CODE_FILE_FIELD, shop.till2)):
        prog.click_page(*field)
        prog.key("ctrl+a")
        prog.type(value)
    prog.click_page(*FULL_SCREEN)
    prog.wait("the edited fields", [
        Check("oSlow", lambda s: s.widget("oSlow")["value"], 20),
        Check("oFast", lambda s: s.widget("oFast")["value"], 7),
        text_of("oImagePath", shop.till2),
        Check("oFullScreen", lambda s: s.widget("oFullScreen")["checked"], True)])
    size_before = prog.snapshot().main["rect"][2:]
    prog.click_page(*APPLY_SAVE)
    prog.wait("the parameters saved", box_shown("Parameters saved."))
    press_box_button(prog, "OK")
    prog.wait("the box closed", [NO_BOX, on_page("Settings")])
    with open(os.path.join(shop.app, PROFILE + ".ini"), "rb") as f:
        ini = f.read().decode("cp1252")
    for part in (f"[CodeSpec]\r\n{shop.till2}\r\n", "[SlowTime]\r\n20\r\n", "[FastTime]\r\n7\r\n"):
        if part not in ini:
            raise StepFailed(f"the parameter file lacks {part!r}: {ini!r}")
    if not ini.rstrip().endswith(",2"):
        raise StepFailed(f"the parameter file does not keep the maximised start: {ini!r}")
    if prog.snapshot().main["rect"][2:] != size_before:
        raise StepFailed("the window changed size on Apply/Save; the box only counts at the next start")
    # The applied code file: Watch now follows till 2.
    prog.click_tab(*TAB_DISPLAY)
    prog.click_page(*WATCH)
    shop.write_code(shop.till2, "BR--777")
    prog.wait("the item of the applied code file", item_shown(shop, "BR--777", "BR--777.bmp",
                                                              "(till2)"))


def slide_show(prog, shop):
    prog.click_page(*SHOW)  # the first slide at once, then one every 2 seconds
    prog.wait("the first slide", item_shown(shop, "CH--123", "CH--123.jpg", "") +
              [visible("oFreezeButton"), visible("oManualEntry", hidden)], timeout=3)
    prog.wait("the second slide", item_shown(shop, "1200345", "1200345.jpg", ""), timeout=5)
    prog.wait("the third slide", item_shown(shop, "RG--001", "RG--001.png", ""), timeout=5)


def edit_the_list(prog, shop):
    prog.click_tab(*TAB_CHOOSE)
    prog.wait("the Choose page", [on_page("Choose")])
    prog.click_page(*ADD_CODE)
    prog.wait("the code field of 'Add code only'", [visible("manualCodeField"),
                                                    Check("focus", lambda s: s.focus,
                                                          "manualCodeField")])
    prog.type("wa200")
    prog.click_widget(prog.snapshot().widget("manualCodeOk"))
    wanted = DEMO_LIST + ["WA--200"]
    prog.wait("the added code", [Check("list entries", list_items, wanted),
                                 visible("manualCodeField", hidden)])
    # A picture chosen in the file dialog inside the data path: kept relative
    # to it, in lower case.
    prog.click_page(*ADD_IMAGE)
    prog.wait("the file dialog", [Check("dialog", lambda s: [w["title"] for w in s.windows
                                                            if w["class"] == "QFileDialog"],
                                        ["Please select Select image"])])
    prog.type(os.path.join(shop.data, "images", "BR--777.bmp"))
    prog.key("Return")
    wanted.append("images/br--777.bmp")
    prog.wait("the added picture", [Check("list entries", list_items, wanted),
                                    Check("windows", lambda s: len(s.windows), 1)])
    for entry in ("1200345", "RG--001", "images/hand.jpg", "ER--010", "1300001", "PN--404"):
        click_row(prog, entry)
        prog.click_page(*REMOVE)
        wanted.remove(entry)
        prog.wait(f"'{entry}' removed", [Check("list entries", list_items, wanted)])
    click_row(prog, "WA--200")
    for _ in range(2):
        prog.click_page(*MOVE_UP)
        i = wanted.index("WA--200")
        wanted[i - 1], wanted[i] = wanted[i], wanted[i - 1]
        prog.wait("WA--200 moved up", [Check("list entries", list_items, list(wanted))])
    if wanted != ["CH--123", "WA--200", "BR--777", "1400002", "images/br--777.bmp"]:
        raise StepFailed(f"the test's own list went wrong: {wanted}")
    prog.click_page(*LIST_SAVE)
    list_file = os.path.join(shop.app, PROFILE + ".dbf").replace("/", "\\")  # program form
    prog.wait("the list saved", box_shown("Saved to file: " + list_file), timeout=6)
    press_box_button(prog, "OK")
    prog.wait("the box closed", [NO_BOX])
    if shop.list_table() != wanted:
        raise StepFailed(f"the saved table holds {shop.list_table()}, the list showed {wanted}")
    # Show of the list page: the slide show goes on through the new list.
    prog.click_page(*LIST_SHOW)
    prog.wait("the Display page", [on_page("Display")])
    seen = []
    deadline = time.monotonic() + 10
    while len(seen) < 4 and time.monotonic() < deadline:
        title = prog.snapshot().text("oTitle")
        if title and (not seen or seen[-1] != title) and prog.last.text("oTitle2") == "":
            seen.append(title.replace("Picture not found for ", ""))
        time.sleep(0.05)
    # The first title may still be the slide of before the save. When the show
    # had got past the new list's end, one empty slide (".....") comes before
    # it starts again at the first entry. The rest follow the new list.
    steps = seen[1:]
    if steps and steps[0] == ".....":
        steps = steps[1:]
        if steps[:1] != [slide_title(wanted[0])]:
            steps = []
    titles = [slide_title(entry) for entry in wanted]
    positions = [titles.index(t) if t in titles else None for t in steps]
    if len(steps) < 2 or None in positions or any(
            b != (a + 1) % len(wanted) for a, b in zip(positions, positions[1:])):
        raise StepFailed(f"slides after Show: expected consecutive entries of {wanted}, saw {seen}")


def slide_title(entry):
    """The code a slide show entry shows: a picture file's base name, or the entry."""
    if len(entry) > 8 and "." in entry:
        return entry.replace("\\", "/").rsplit("/", 1)[-1].split(".")[0]
    return entry


def reindex(prog, shop):
    prog.click_tab(*TAB_SETTINGS)
    prog.wait("the Settings page", [on_page("Settings")])
    index = os.path.join(shop.data, "istkcode.ntx")
    before = os.stat(index).st_mtime_ns

    # Cancel is the default button of the confirmation.
    prog.click_page(*REINDEX)
    prog.wait("the re-index question", box_shown("create, or re-create, index files",
                                                 "Re-index files?"))
    prog.key("Return")
    prog.wait("the question answered Cancel", [NO_BOX, NO_REINDEX_LABEL, NO_BARS])
    if os.stat(index).st_mtime_ns != before:
        raise StepFailed("Cancel rebuilt the stock index")

    # The point-of-sale holds the stock table: the run stops, old indexes kept.
    holder = prog.processes.start([shop.args.hold_table, os.path.join(shop.data, "istock.dbf")],
                                  stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 5
        while not os.path.exists(os.path.join(shop.data, "istock.dbf.held")):
            if time.monotonic() > deadline or holder.poll() is not None:
                raise StepFailed("the stand-in point-of-sale could not hold istock.dbf")
            time.sleep(0.02)
        prog.click_page(*REINDEX)
        prog.wait("the re-index question", [QUESTION])
        press_box_button(prog, "OK")
        prog.wait("the re-index stopped", box_shown("could not be opened for exclusive use"))
        press_box_button(prog, "OK")
        prog.wait("the box closed", [NO_BOX, NO_REINDEX_LABEL, NO_BARS,
                                     Check("input blocked", lambda s: s.blocked, False)])
    finally:
        holder.stdin.close()
        holder.wait(timeout=5)
    if os.stat(index).st_mtime_ns != before:
        raise StepFailed("a stopped re-index replaced the stock index")

    # An index that cannot be written: the error comes up while the window
    # takes no input; once the cause is gone, Retry finishes the run.
    sub_index = os.path.join(shop.data, "isubcode.ntx")
    os.remove(sub_index)
    os.mkdir(sub_index)
    prog.click_page(*REINDEX)
    prog.wait("the re-index question", [QUESTION])
    press_box_button(prog, "OK")
    prog.wait("the error while the bar is up", [
        REINDEX_LABEL, Check("progress bars", lambda s: len(bars(s)), 1),
        Check("input blocked", lambda s: s.blocked, True),
        Check("message box text", lambda s: (s.box() or {}).get("text"), contains("isubcode.ntx")),
        Check("message box buttons", lambda s: sorted((s.box() or {"buttons": {}})["buttons"]),
              predicate("a box with Retry", lambda v: "Retry" in v))], timeout=6)
    prog.click_tab(*TAB_DISPLAY)  # swallowed while the re-index runs
    prog.stays("the Settings page while input is blocked", [on_page("Settings")], 0.5)
    os.rmdir(sub_index)
    press_box_button(prog, "Retry")
    snap = prog.wait("the re-index complete", box_shown("Re-indexing complete"), timeout=10)
    bar = bars(snap)
    records = 22 + PADDED_RECORDS  # 7 stock, 4 merchandise, 11 sub-item records
    # The count starts at 1 and the retried sub-item index counts its records
    # again: the bar ends at or past its maximum, drawn full.
    if not bar or bar[0]["maximum"] != records or bar[0]["progress"] < records:
        raise StepFailed(f"progress bar at the end: expected {records} of {records}, saw {bar}")
    middle = prog.grab(bar[0]["rect"])[bar[0]["rect"][3] // 2]
    red = [x for x, pixel in enumerate(middle) if pixel == (255, 0, 0)]
    if not red or red[-1] < len(middle) * 0.85 or red[0] > len(middle) * 0.15:
        raise StepFailed(f"the full bar's squares span pixels {red[:1]} to {red[-1:]} "
                         f"of {len(middle)}")
    press_box_button(prog, "OK")
    prog.wait("the run over", [NO_BOX, on_page("Settings"), NO_REINDEX_LABEL, NO_BARS,
                               Check("input blocked", lambda s: s.blocked, False)])
    for table, ntx in (("istock", "istkcode"), ("imerch", "imercode"), ("isub", "isubcode")):
        r = shop.tool("check-index", os.path.join(shop.data, table + ".dbf"),
                      os.path.join(shop.data, ntx + ".ntx"))
        if r.returncode != 0:
            raise StepFailed(f"{ntx}.ntx after the re-index: {r.stdout}{r.stderr}")
    # The rebuilt index finds the stock added after the old one was made.
    prog.click_tab(*TAB_DISPLAY)
    prog.click_page(*WATCH)
    shop.write_code(shop.till2, "ZZ01234")
    prog.wait("a code only the new index knows", [
        text_of("oDescDispBox", contains("(Stock code: ZZ01234)")),
        text_of("oDescDispBox", shop.describe("ZZ01234"))])


def large_screen(prog, shop):
    """A kiosk screen of 1920 x 1080 without a window manager, whose panel
    leaves a work area of 1920 x 1040: a second program (profile BIG) in an X
    server of its own, first maximised, then normal at its saved place."""
    big = Program(prog.processes, start_xvfb(prog.processes, "1920x1080x24"),
                  os.path.join(shop.root, "big-probe.json"), os.path.join(shop.root, "big.log"))
    ini = os.path.join(shop.app, "BIG.ini")
    try:
        big.x.set_work_area(0, 0, 1920, 1040)
        write_start_pos(shop, ini, "100,200,2")
        big.start(shop.args.lumisett, shop.app, ["BIG"])
        big.wait("the maximised window over the work area, the tab strip on the screen", [
            Check("window", lambda s: s.main["rect"], [0, 0, 1920, 1040]),
            Check("tab strip", lambda s: s.widget("oTabStrip")["rect"][:2], [0, 0])], timeout=15)
        icon = big.x.icon_size(big.main_window_id())
        if not icon or min(icon) <= 0:
            raise StepFailed(f"the window has no icon (_NET_WM_ICON {icon})")
        close_window(big)

        # Counted from the screen's lower-left corner, not the work area's; saved back alike.
        write_start_pos(shop, ini, "100,200,3")
        big.start(shop.args.lumisett, shop.app, ["BIG"])
        big.wait("the window at its saved place", [
            Check("window", lambda s: s.main["rect"], [100, 1080 - 200 - 372, 594, 372])],
            timeout=15)
        big.click_tab(*TAB_SETTINGS)
        big.wait("the Settings page", [on_page("Settings")])
        big.click_page(*APPLY_SAVE)
        big.wait("the parameters saved", box_shown("Parameters saved."))
        press_box_button(big, "OK")
        big.wait("the box closed", [NO_BOX])
        with open(ini, "rb") as f:
            saved = f.read().decode("cp1252")
        if not saved.endswith("[StartPos]\r\n100,200,3\r\n"):
            raise StepFailed(f"the saved position differs from the one read: {saved!r}")
        close_window(big)
    finally:
        big.x.close()


def write_start_pos(shop, ini, line):
    """BIG.ini: the shop's parameter file with another [StartPos] line."""
    with open(os.path.join(shop.app, PROFILE + ".ini"), "rb") as f:
        text = f.read().decode("cp1252")
    text = re.sub(r"(\[StartPos\]\r\n)[^\r]*", lambda m: m.group(1) + line, text)
    with open(ini, "wb") as f:
        f.write(text.encode("cp1252"))


def close_window(prog):
    """The close request of the window manager's close button; the program ends cleanly."""
    prog.x.request_close(prog.main_window_id())
    try:
        code = prog.proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise StepFailed("the program did not end within 10 s of the close request")
    if code != 0:
        raise StepFailed(f"the program ended with exit code {code}")


def close(prog, shop):
    close_window(prog)
    log = os.path.join(shop.app, "KRLERROR.LOG")
    if os.path.exists(log):
        raise StepFailed(f"the program wrote an error log: {open(log, 'rb').read()[:400]!r}")


STEPS = [start, switch_pages, follow_the_till, freeze_and_type, apply_settings, slide_show,
         edit_the_list, reindex, large_screen, close]


def test_arguments(programs, add=None):
    """The command line of a test of steps: --NAME EXE for each of
    `programs` (made absolute), --keep, and what `add(parser)` adds."""
    parser = argparse.ArgumentParser()
    for name in programs:
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--keep", action="store_true", help="keep the shop folder")
    if add:
        add(parser)
    args = parser.parse_args()
    for name in programs:
        name = name.replace("-", "_")
        setattr(args, name, os.path.abspath(getattr(args, name)))
    return args


def run_in_shop(args, prefix, time_limit, steps, set_up, do_step, shown, close):
    """Runs `steps` in a new folder (`prefix`): `set_up(root, processes)`,
    then `do_step(step)` for each. When one failed, the screen and output of
    the program `shown()` returns (None: none). `close()` comes before the
    processes end. The folder stays when a step failed or with --keep.
    Returns the exit code."""
    limit_whole_run(time_limit)
    root = tempfile.mkdtemp(prefix=prefix)
    processes = Processes()
    failed = True
    try:
        failed = not run_steps(steps, do_step, lambda: set_up(root, processes))
    finally:
        signal.alarm(0)
        prog = shown()
        if failed and prog is not None:
            save_evidence(prog, root)
        close()
        processes.end_all()
        if failed or args.keep:
            print(f"shop folder kept: {root}", file=sys.stderr)
        else:
            shutil.rmtree(root, ignore_errors=True)
    return 1 if failed else 0


def main():
    args = test_arguments(
        ("lumisett", "demo-data", "tool", "hold-table"),
        lambda parser: parser.add_argument("--screenshots", metavar="DIR",
                                           help="save the screen after each step there (PPM)"))
    prog = shop = None

    def set_up(root, processes):
        nonlocal prog, shop
        shop = Shop(root, args)
        display = start_xvfb(processes)
        prog = Program(processes, display, os.path.join(root, "probe.json"),
                       os.path.join(root, "lumisett.log"))
        prog.start(args.lumisett, shop.app, [PROFILE])

    def do_step(step):
        step(prog, shop)
        if args.screenshots and step is not close:
            os.makedirs(args.screenshots, exist_ok=True)
            xlib.write_ppm(os.path.join(args.screenshots, f"{step.__name__}.ppm"),
                           prog.grab((0, 0, 1024, 768)))

    def close_display():
        if prog is not None:
            prog.x.close()  # before its server goes

    return run_in_shop(args, "lumisett-e2e.", TIME_LIMIT, STEPS, set_up, do_step, lambda: prog,
                       close_display)


def save_evidence(prog, root):
    """The screen and the program's output, for the failure report."""
    try:
        xlib.write_ppm(os.path.join(root, "failure.ppm"), prog.grab((0, 0, 1024, 768)))
    except Exception as e:  # noqa: BLE001
        print(f"(no screenshot: {e})", file=sys.stderr)
    try:
        with open(prog.log_file, "rb") as f:
            tail = f.read()[-2000:].decode("utf-8", "replace")
        if tail.strip():
            print("program output (end):\n" + tail, file=sys.stderr)
    except OSError:
        pass


if __name__ == "__main__":
    sys.exit(main())
