"""Several displays (profiles of one program folder) against one data folder
that a busy point-of-sale keeps changing (lumisett-pos-sim), while a till per
display writes codes, some of them in pieces with pauses. Every screen each
display shows is checked against the tables: the text and price shown for a
code must be one version the item really had (the simulator's journal, or the
table as it was), never "not found" or a missing-file text for an item that
exists, never half of one version and half of another. The busy end-to-end
test and the busy benchmark both run it (BusyRun)."""

import csv
import json
import os
import random
import re
import shutil
import statistics
import subprocess
import threading
import time

from driver import Processes, StepFailed, start_xvfb

NOT_FOUND = "was not found in the data files"
MISSING_TEXTS = ("ERROR! Could not open data files", "ERROR! Missing INDEX files")
CODE_LINE = re.compile(r"\((?:Stock|Merch\.) code: (\S+)\)")
NOT_FOUND_LINE = re.compile(r"(\S+)  was not found in the data files")
PRICE_LINE = re.compile(r"Price:\s+(\S+)")
VERSION = re.compile(r" V(\d+)$")


def dump(tool, table):
    """The live records of a table as lumisett-tool dump prints them: {code: (desc, price)}."""
    out = subprocess.run([tool, "dump", table], check=True, capture_output=True, timeout=60).stdout
    lines = out.decode("cp1252").split("\n")
    head = lines[1].split("\t")[1:]
    names = [h.split(" ")[0] for h in head]
    records = {}
    for line in lines[2:]:
        if not line:
            continue
        cells = line.split("\t")
        if cells[0] == "*":
            continue
        row = dict(zip(names, (c.strip() for c in cells[1:])))
        records.setdefault(row["CODE"], (row["DESC"], row.get("PRICE", "")))
    return records


def price_text(value):
    return f"{float(value):.2f}"


class Versions:
    """Every version each item had during the run: the tables at the start
    and the simulator's journal."""

    def __init__(self, tool, data):
        self.versions = {}  # code -> set of (desc, price)
        for table in ("istock", "imerch"):
            for code, (desc, price) in dump(tool, os.path.join(data, table + ".dbf")).items():
                self.versions.setdefault(code, set()).add((desc, price_text(price)))
        self.codes = sorted(self.versions)

    def read_journal(self, journal):
        with open(journal, newline="", encoding="cp1252") as f:
            for row in csv.DictReader(f):
                if row["table"] in ("istock", "imerch"):
                    self.versions.setdefault(row["code"], set()).add(
                        (row["description"].strip(), price_text(row["price"])))

    def judge(self, code, text):
        """None when `text` shows one version `code` really had, else why not."""
        if NOT_FOUND in text:
            return "not found"
        if any(m in text for m in MISSING_TEXTS):
            return "a missing-file text"
        m = CODE_LINE.search(text)
        if not m or m.group(1) != code:
            return f"another item's text ({m.group(1) if m else 'none'})"
        price = PRICE_LINE.search(text)
        first = text.split("\n", 1)[0]
        for desc, want in self.versions.get(code, ()):
            # A price of 0 shows the dollar price instead.
            if first.startswith(desc) and price and (
                    price.group(1) == want or (want == "0.00" and price.group(1).startswith("$"))):
                return None
        desc_v = VERSION.search(first.split(" with ")[0].split(".")[0])
        shown = f"{first!r} at {price.group(1) if price else '?'}"
        if desc_v and price and price.group(1) != price_text(desc_v.group(1)):
            return "mixed: " + shown
        return "no such version: " + shown


class Till:
    """A till's code file: writes codes whole, or in two pieces with a pause
    between (the file held open meanwhile), and notes when each was written."""

    def __init__(self, path, rng):
        self.path, self.rng = path, rng
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.written = []  # (time, code)

    def write(self, code, pieces=False, pause=0.0):
        data = code.encode("cp1252") + b"\r\n"
        with open(self.path, "wb") as f:
            if pieces:
                cut = self.rng.randrange(1, len(code))
                f.write(data[:cut])
                f.flush()
                time.sleep(pause)
                f.write(data[cut:])
            else:
                f.write(data)
        self.written.append((time.monotonic(), code))


class Display:
    """One display: its profile, its till, its process and what it showed."""

    def __init__(self, run, index):
        self.run, self.index = run, index
        self.profile = f"POS{index}"
        self.till = Till(os.path.join(run.root, f"till{index}", "image.tmp"), random.Random(index))
        self.probe = os.path.join(run.root, f"probe{index}.json")
        self.proc = None
        self.samples = []  # (time, title, text), each change of what the screen shows
        self.problems = []  # (code, why, text)

    def write_ini(self, template):
        ini = template.replace(self.run.demo_till, self.till.path)
        with open(os.path.join(self.run.app, self.profile + ".ini"), "w", newline="") as f:
            f.write(ini)

    def start(self, lumisett, display):
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   XDG_RUNTIME_DIR=self.run.root, LUMISETT_UI_PROBE=self.probe,
                   LUMISETT_UI_PROBE_MS=str(self.run.probe_ms))
        env.pop("XAUTHORITY", None)
        log = open(os.path.join(self.run.root, f"lumisett{self.index}.log"), "wb")
        self.proc = self.run.processes.start([lumisett, self.profile], cwd=self.run.app, env=env,
                                             stdout=log, stderr=subprocess.STDOUT)

    def look(self):
        """Reads the probe; notes what the screen shows when it changed."""
        try:
            with open(self.probe, "rb") as f:
                snap = json.load(f)
        except (FileNotFoundError, ValueError):
            return None
        texts = {}
        for window in snap.get("windows", []):
            for w in window.get("widgets", []):
                if w.get("name") in ("oTitle", "oDescDispBox"):
                    texts[w["name"]] = w.get("text", "")
        shown = (texts.get("oTitle"), texts.get("oDescDispBox"))
        if not self.samples or self.samples[-1][1:] != shown:
            self.samples.append((time.monotonic(),) + shown)
        return shown


def title_code(title):
    if title is None:
        return None
    if title.startswith("Picture not found for "):
        return title[len("Picture not found for "):]
    return title


class BusyRun:
    """A shop of `items` items, `displays` displays and their tills, and the
    simulator with `rates` ({action: per second}), for `seconds`."""

    def __init__(self, args, root, displays, items, seconds, rates, probe_ms=100,
                 till_every=(0.6, 1.2), pieces_share=0.3, screen="1920x1200x24"):
        self.args, self.root = args, root
        self.n, self.items, self.seconds, self.rates = displays, items, seconds, rates
        self.probe_ms, self.till_every, self.pieces_share, self.screen = (
            probe_ms, till_every, pieces_share, screen)
        self.app = os.path.join(root, "app")
        self.data = os.path.join(root, "data")
        self.demo_till = os.path.join(root, "till1", "image.tmp")
        self.journal = os.path.join(root, "journal.csv")
        self.processes = Processes()
        self.displays = [Display(self, i + 1) for i in range(displays)]
        self.stop = threading.Event()

    def make_shop(self):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=self.root)
        subprocess.run([self.args.demo_data, "--items", str(self.items), self.root, "DEMO"], check=True,
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        with open(os.path.join(self.app, "DEMO.ini"), newline="") as f:
            template = f.read()
        for d in self.displays:
            d.write_ini(template)
            d.till.write(self.displays[0].till.rng.choice(["CH--123", "RG--001"]))
        self.versions = Versions(self.args.tool, self.data)

    def start_displays(self):
        self.x = start_xvfb(self.processes, self.screen)
        for d in self.displays:
            d.start(self.args.lumisett, self.x)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if all(d.look() and d.look()[1] for d in self.displays):
                return
            time.sleep(0.2)
        raise StepFailed("not every display showed its window within 30 s")

    def start_pos(self, rates, seconds, journal, verbose=False):
        args = [self.args.pos_sim, self.data, "--seconds", str(seconds), "--journal", journal,
                "--seed", str(random.randrange(1 << 30))]
        for action, rate in rates.items():
            args += ["--" + action, str(rate)]
        if verbose:
            args.append("--verbose")
        out = subprocess.PIPE if verbose else subprocess.DEVNULL
        return self.processes.start(args, stdout=out, stderr=subprocess.DEVNULL, text=True)

    def watch(self):
        while not self.stop.is_set():
            for d in self.displays:
                d.look()
            time.sleep(self.probe_ms / 2000)

    def tills(self):
        rng = random.Random(7)
        due = [time.monotonic() + rng.uniform(*self.till_every) for _ in self.displays]
        while not self.stop.is_set():
            now = time.monotonic()
            for i, d in enumerate(self.displays):
                if now >= due[i]:
                    # Another item each time: the same one again shows no change.
                    last = d.till.written[-1][1] if d.till.written else None
                    code = rng.choice([c for c in rng.sample(self.versions.codes, 3) if c != last])
                    pieces = rng.random() < self.pieces_share
                    d.till.write(code, pieces, rng.uniform(0.05, 0.8) if pieces else 0)
                    due[i] = time.monotonic() + rng.uniform(*self.till_every)
            time.sleep(0.01)

    def busy_phase(self):
        """The point-of-sale at work and the tills writing, for `seconds`."""
        pos = self.start_pos(self.rates, self.seconds, self.journal)
        threads = [threading.Thread(target=self.watch), threading.Thread(target=self.tills)]
        for t in threads:
            t.start()
        try:
            pos.wait(timeout=self.seconds + 60)
        finally:
            self.stop.set()
            for t in threads:
                t.join()
        self.versions.read_journal(self.journal)
        self.busy_until = time.monotonic()

    def judge(self, since=0.0):
        """Every screen shown after `since`: its problems, and for each code
        written the time until it was shown (None: never)."""
        wrong, latencies = [], []
        for d in self.displays:
            for i, (t, title, text) in enumerate(d.samples):
                if t < since or not text:
                    continue
                text = text.replace("\r\n", "\n")
                # The text says whose it is; the title follows it within the
                # turn (after the picture), so it is not what is judged.
                if any(m in text for m in MISSING_TEXTS):
                    wrong.append((d.profile, title_code(title), "a missing-file text"))
                    continue
                missing = NOT_FOUND_LINE.search(text)
                owner = CODE_LINE.search(text)
                code = missing.group(1) if missing else owner.group(1) if owner else None
                if code is None or code not in self.versions.versions:
                    continue
                steady = i + 1 >= len(d.samples) or d.samples[i + 1][0] - t > 0.25
                if not steady:
                    continue
                why = self.versions.judge(code, text)
                if why:
                    wrong.append((d.profile, code, why))
            for t, title, text in d.samples:
                code = title_code(title)
                if code is not None and code not in self.versions.versions and code not in (
                        "", ".....", "Code name not found", "CH--123", "RG--001"):
                    wrong.append((d.profile, code, "a code nobody wrote (half a code?)"))
            for k, (written, code) in enumerate(d.till.written):
                if written < since:
                    continue
                until = d.till.written[k + 1][0] if k + 1 < len(d.till.written) else float("inf")
                shown = next((t for t, title, text in d.samples
                              if written <= t < until and title_code(title) == code
                              and text and CODE_LINE.search(text)), None)
                latencies.append((written, None if shown is None else shown - written))
        return wrong, latencies

    def settle_phase(self, timeout=10):
        """The point-of-sale has let go: each till writes once more and every
        display must show that code as the tables now have it."""
        for d in self.displays:
            last = d.till.written[-1][1] if d.till.written else None
            code = random.choice([c for c in self.versions.codes if c != last])
            d.till.write(code)
            want = subprocess.run([self.args.tool, "describe", self.data, code], check=True,
                                  capture_output=True, timeout=30).stdout.decode("cp1252")
            want = want.replace("\r\n", "\n")
            deadline = time.monotonic() + timeout
            while True:
                shown = d.look()
                if shown and title_code(shown[0]) == code and (shown[1] or "").replace("\r\n", "\n") == want:
                    break
                if time.monotonic() > deadline:
                    raise StepFailed(f"{d.profile}: {code} not shown as the tables have it "
                                     f"within {timeout} s; saw {shown!r}")
                time.sleep(0.05)

    def usage(self):
        """CPU seconds and resident memory (MB) of each display."""
        out = []
        tick = os.sysconf("SC_CLK_TCK")
        for d in self.displays:
            with open(f"/proc/{d.proc.pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            cpu = (int(fields[11]) + int(fields[12])) / tick
            rss = 0
            with open(f"/proc/{d.proc.pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        rss = int(line.split()[1]) / 1024
            out.append((cpu, rss))
        return out

    def end(self):
        self.stop.set()
        self.processes.end_all()


def percentile(values, p):
    values = sorted(values)
    if not values:
        return float("nan")
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def summary(latencies):
    shown = [l for _, l in latencies if l is not None]
    return (len(latencies), len(shown), statistics.median(shown) if shown else float("nan"),
            percentile(shown, 95))
