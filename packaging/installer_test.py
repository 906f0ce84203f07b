#!/usr/bin/env python3
"""The Windows installer's choices for a till nobody touches, under wine.

Run by scripts/test-windows in the wine prefix (WINEPREFIX) where it has just
installed the package silently with only /D, as a shop that uses none of the
choices would:

  1. that plain install made no start entry;
  2. /PROFILE=TILL1 /AUTOSTART=1 /D=C:\\Till makes the start entry, a shortcut
     in the Startup folder that starts lumisett.exe "TILL1" in C:\\Till;
  3. an upgrade (the same installer again, with only /S) goes into the same
     folder, keeps the choices and leaves the shop's files as they were;
  4. /AUTOSTART=0 removes the entry and keeps the profile;
  5. a profile the display cannot take as a file name, or an /AUTOSTART= that
     is neither 0 nor 1, ends with exit code 2 and changes nothing;
  6. the uninstaller removes the start entry, the program and the choices and
     leaves the shop's files.

  installer_test.py --setup SETUP.exe --wine WINE64 --wineserver WINESERVER
"""
import argparse
import os
import pathlib
import struct
import subprocess
import sys


def fail(message):
    print(f"installer test: {message}", file=sys.stderr)
    sys.exit(1)


def shortcut_fields(path):
    """The working folder, arguments and target name of a .lnk (MS-SHLLINK)."""
    data = pathlib.Path(path).read_bytes()
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        fail(f"{path} is no shortcut")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & 0x01:  # HasLinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    if flags & 0x02:  # HasLinkInfo
        pos += struct.unpack_from("<I", data, pos)[0]
    unicode = bool(flags & 0x80)
    strings = {}
    for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"),
                      (0x20, "arguments"), (0x40, "icon")):
        if not flags & bit:
            continue
        count = struct.unpack_from("<H", data, pos)[0]
        pos += 2
        size = count * (2 if unicode else 1)
        raw = data[pos:pos + size]
        # (Wine counts a terminating NUL that the format does not have.)
        strings[name] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
        pos += size
    # The target's path is in the LinkInfo or the ID list; its name is enough.
    strings["target"] = "lumisett.exe" if ("lumisett.exe".encode("utf-16-le") in data
                                           or b"lumisett.exe" in data.lower()) else ""
    return strings


class Prefix:
    def __init__(self, wine, wineserver):
        self.wine = wine
        self.wineserver = wineserver
        self.root = pathlib.Path(os.environ["WINEPREFIX"])
        self.drive = self.root / "drive_c"

    def run(self, *args):
        result = subprocess.run([self.wine, *args], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run([self.wineserver, "-w"], timeout=300)
        return result

    def choices(self):
        out = self.run("reg", "query", r"HKCU\Software\Lumisett").stdout.decode(errors="replace")
        values = {}
        for line in out.splitlines():
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[1] == "REG_SZ":
                values[parts[0]] = parts[2].strip() if len(parts) == 3 else ""
        return values

    def start_entries(self):
        return sorted(self.drive.glob("users/*/AppData/Roaming/Microsoft/Windows/Start Menu/"
                                      "Programs/[Ss]tart[Uu]p/*.lnk"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--wineserver", required=True)
    args = parser.parse_args()
    wine = Prefix(args.wine, args.wineserver)

    def install(*options, expect=0):
        code = wine.run(args.setup, "/S", *options).returncode
        if code != expect:
            fail(f"setup /S {' '.join(options)}: exit code {code}, expected {expect}")

    if wine.start_entries():
        fail(f"a plain install made a start entry: {wine.start_entries()}")

    install("/PROFILE=TILL1", "/AUTOSTART=1", r"/D=C:\Till")
    till = wine.drive / "Till"
    want_choices = {"Profile": "TILL1", "Autostart": "1", "InstallDir": r"C:\Till"}

    def expect_start_entry():
        entries = wine.start_entries()
        if len(entries) != 1:
            fail(f"expected one start entry, found {entries}")
        fields = shortcut_fields(entries[0])
        if (fields.get("workdir") != r"C:\Till" or fields.get("arguments") != '"TILL1"'
                or not fields["target"]):
            fail(f"the start entry {entries[0].name} holds {fields}")
        if wine.choices() != want_choices:
            fail(f"the choices kept are {wine.choices()}, expected {want_choices}")

    expect_start_entry()

    # The shop's own files, and one program file gone to see the upgrade
    # put it back.
    shop = {name: os.urandom(300) + name.encode() for name in
            ("TILL1.ini", "TILL1.dbf", "logo.bmp", "helptext.txt", "KRLERROR.LOG", "KRLERROR.001")}
    for name, content in shop.items():
        (till / name).write_bytes(content)
    (till / "lumisett-tool.exe").unlink()

    def expect_shop_kept(when):
        for name, content in shop.items():
            if not (till / name).is_file() or (till / name).read_bytes() != content:
                fail(f"{when}: the shop's {name} was not kept as it was")

    install()
    if not (till / "lumisett-tool.exe").is_file():
        fail("the upgrade did not install into the folder of the first install")
    expect_shop_kept("upgrade")
    expect_start_entry()

    install("/AUTOSTART=0")
    want_choices["Autostart"] = "0"
    if wine.start_entries() or wine.choices() != want_choices:
        fail(f"/AUTOSTART=0 left {wine.start_entries()}, choices {wine.choices()}")
    install("/AUTOSTART=1")
    want_choices["Autostart"] = "1"
    expect_start_entry()

    for bad in ("/PROFILE=TILL1.ini", "/PROFILE=A:B", "/AUTOSTART=yes"):
        install(bad, expect=2)
    expect_start_entry()

    uninstall = wine.run(str(till / "uninstall.exe"), "/S").returncode
    if uninstall != 0:
        fail(f"the uninstaller ended with exit code {uninstall}")
    if wine.start_entries():
        fail(f"the uninstaller left the start entry {wine.start_entries()}")
    if (till / "lumisett.exe").exists() or wine.choices():
        fail(f"the uninstaller left lumisett.exe or the choices {wine.choices()}")
    expect_shop_kept("uninstall")
    print("Installer: start entry made with /PROFILE and /AUTOSTART, kept by an upgrade with the "
          "shop's files, removed by /AUTOSTART=0 and by the uninstaller, which keeps the shop's files")


if __name__ == "__main__":
    main()
