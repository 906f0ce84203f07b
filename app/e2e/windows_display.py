#!/usr/bin/env python3
"""The Windows program under wine on a fresh demo shop: lumisett.exe follows
the till, and what it shows is read from its UI probe (LUMISETT_UI_PROBE).

  windows_display.py --lumisett EXE --demo-data EXE --tool EXE
                     [--platform offscreen|windows] [--screenshot PNG]

The shop's parameter file names the till's code file and the data folder with
drive letters (Z: is the Linux root under wine). With --platform windows (the
default platform of a shop PC) the program runs in an X server of its own and
--screenshot saves its window as a PNG; the run then ends with the window's
close, as a clerk's. The environment's WINEPREFIX and WINELOADER say which wine
prefix and loader to use. Exit code 0 when every step passed.
"""

import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import xlib  # noqa: E402
from driver import Check, Processes, Snapshot, StepFailed, start_xvfb, wait_for  # noqa: E402

PROFILE = "DEMO"
FONTS = "Z:/usr/share/fonts/truetype/liberation2"


def windows_path(path):
    """A Linux path as a Windows program under wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_png(path, rows):
    """Saves rows of (r, g, b) as a PNG picture."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


class Run:
    def __init__(self, args, root, display):
        self.args, self.root, self.display = args, root, display
        self.wine = os.environ.get("WINELOADER", "wine64")
        self.app = os.path.join(root, "app")
        self.data = os.path.join(root, "data")
        self.till = os.path.join(root, "till1", "image.tmp")
        self.probe = os.path.join(root, "probe.json")
        self.proc = None
        self.last = None

    def env(self, platform, **extra):
        env = dict(os.environ, WINEQT_QPA_PLATFORM=platform, WINEQT_QPA_FONTDIR=FONTS, **extra)
        if self.display:
            env["DISPLAY"] = self.display
        return env

    def wine_run(self, exe, *args):
        out = subprocess.run([self.wine, exe, *args], env=self.env("offscreen"), check=True,
                             capture_output=True, timeout=120)
        return out.stdout

    def make_shop(self):
        self.wine_run(self.args.demo_data, windows_path(self.root), PROFILE)
        ini = os.path.join(self.app, PROFILE + ".ini")
        with open(ini, "rb") as f:
            text = f.read().decode("cp1252")
        # The paths as a shop's parameter file has them: drive letters.
        for head, path in (("CodeSpec", self.till), ("Datapath", self.data)):
            text, n = re.subn(r"(\[%s\]\r\n)[^\r]*" % head,
                              lambda m, p=path: m.group(1) + windows_path(p),
                              text, flags=re.IGNORECASE)
            if n != 1:
                raise StepFailed(f"no [{head}] in the demo shop's {ini}")
        with open(ini, "wb") as f:
            f.write(text.encode("cp1252"))

    def describe(self, code):
        out = self.wine_run(self.args.tool, "describe", windows_path(self.data), code)
        return out.decode("cp1252").replace("\r\n", "\n")

    def write_code(self, code):
        """What the point-of-sale does: replaces its image.tmp whole."""
        with open(self.till + ".new", "wb") as f:
            f.write(code.encode("cp1252") + b"\r\n")
        os.replace(self.till + ".new", self.till)

    def start(self, processes):
        self.log = open(os.path.join(self.root, "lumisett.log"), "wb")
        self.proc = processes.start(
            [self.wine, self.args.lumisett, PROFILE], cwd=self.app, stdout=self.log,
            stderr=subprocess.STDOUT,
            env=self.env(self.args.platform, LUMISETT_UI_PROBE=windows_path(self.probe)))

    def snapshot(self):
        if self.proc.poll() is not None:
            raise StepFailed(f"lumisett.exe ended (exit code {self.proc.returncode})")
        try:
            with open(self.probe, "rb") as f:
                self.last = Snapshot(json.load(f))
        except (FileNotFoundError, ValueError):
            pass
        return self.last

    def wait(self, what, checks, timeout):
        return wait_for(self.snapshot, what, checks, timeout)

    def item_shown(self, code, picture_end):
        return [Check("page", lambda s: s.page, "Display"),
                Check("oTitle text", lambda s: s.text("oTitle"), code),
                Check("oTitle2 text", lambda s: s.text("oTitle2"), "(till1)"),
                Check("oDescDispBox text", lambda s: s.text("oDescDispBox"), self.describe(code)),
                Check("oStat file", lambda s: s.widget("oStat")["file"],
                      lambda f: f.upper().endswith(picture_end.upper()))]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lumisett", required=True)
    parser.add_argument("--demo-data", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--platform", default="offscreen", choices=["offscreen", "windows"])
    parser.add_argument("--screenshot")
    args = parser.parse_args()

    processes = Processes()
    root = tempfile.mkdtemp(prefix="lumisett-windows-")
    ok = False
    try:
        display = start_xvfb(processes) if args.platform == "windows" else None
        run = Run(args, root, display)
        if display:
            # Every wine call of the prefix, from the first on, sees the X
            # server: a prefix started without one keeps none.
            subprocess.run([run.wine, "wineboot", "--init"], env=run.env("windows"), check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=300)
            # A shop PC has Times New Roman, Courier New and MS Sans Serif;
            # wine has their metric-compatible twins under other names.
            for face, twin in (("Times New Roman", "Liberation Serif"),
                               ("Courier New", "Liberation Mono"),
                               ("MS Sans Serif", "Liberation Sans")):
                subprocess.run([run.wine, "reg", "add", r"HKCU\Software\Wine\Fonts\Replacements",
                                "/v", face, "/d", twin, "/f"], env=run.env("windows"), check=True,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
        run.make_shop()
        run.start(processes)
        # Two seconds after the start the turns begin; the demo till shows CH--123.
        run.wait("the till's item after the start pause", run.item_shown("CH--123", "CH--123.jpg"),
                 timeout=60)
        print("lumisett.exe shows the till's item CH--123")
        run.write_code("RG--001")
        snap = run.wait("the till's next item", run.item_shown("RG--001", "RG--001.png"),
                        timeout=20)
        print("lumisett.exe follows the till: RG--001")
        if display:
            x = xlib.Display(display)
            try:
                time.sleep(1)  # the picture's repaint after the probe saw it
                if args.screenshot:
                    left, top, width, height = snap.main["rect"]
                    write_png(args.screenshot, x.grab(left, top, width, height))
                    print(f"screenshot: {args.screenshot}")
                window = int(subprocess.run(
                    ["xdotool", "search", "--name", "^Lumisett by Tillmaster"],
                    env=run.env("windows"), capture_output=True, text=True,
                    timeout=10).stdout.split()[0])
                x.request_close(window)
            finally:
                x.close()
            rc = run.proc.wait(timeout=30)
            if rc != 0:
                raise StepFailed(f"lumisett.exe ended with exit code {rc} after the close")
            print("lumisett.exe closed with its window")
        ok = True
    except (StepFailed, subprocess.SubprocessError, OSError) as e:
        print(f"FAILED: {e}", file=sys.stderr)
        print(f"shop folder kept: {root}", file=sys.stderr)
    finally:
        processes.end_all()
        if args.platform == "windows":
            server = os.path.join(os.path.dirname(os.environ.get("WINELOADER", "")), "wineserver")
            subprocess.run([server if os.access(server, os.X_OK) else "wineserver", "-k"],
                           stderr=subprocess.DEVNULL)
    if ok:
        shutil.rmtree(root, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
