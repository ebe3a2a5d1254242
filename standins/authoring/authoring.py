#!/usr/bin/env python3
"""The authoring step, as the program that hands a recording over to the applet would do it.

It prepares, inside a Wine prefix:
  - a project folder with files (nested folders, long names, text and binary content);
  - the registry inputs the applet reads (HKCU\\Software\\Lorvane\\Ravelle\\6.0): LastFolderPath,
    LastFolderSize (computed from the folder), LastVolName, LastDiscNumber, LastProjectDeleteIt,
    DeleteApplet, Testing;
  - the project description "qxorig.qx" (a source line, then a "TITLE" section);
  - the cover sheet "CoverSheet.htm" with a "TRACKS AND TAGS" section, beside the applet;
  - the recorder's "DEVICES.DEF" (chosen by the caller; empty means a healthy recorder);
  - the applet: the bare stub packed with `qxarc applet` and the support files.

It prints one line per result as NAME=VALUE (host paths and the Windows paths the applet sees).
Usage: authoring.py --prefix PREFIX --bin WIN64_BIN --qxarc QXARC [options]   (see --help)
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

REG_KEY = r"HKEY_CURRENT_USER\Software\Lorvane\Ravelle\6.0"
# The prefix's own regedit: the 64-bit one, but for a 32-bit prefix (the emulated guest's).
WINE = "/usr/lib/wine/wine" if os.environ.get("QX_WINEARCH") == "win32" else "/usr/lib/wine/wine64"


def windows_path(prefix, host_path):
    """The path a program in the prefix sees for a file under its drive_c (else drive Z:)."""
    host_path = os.path.abspath(host_path)
    drive_c = os.path.join(os.path.abspath(prefix), "drive_c")
    if host_path == drive_c or host_path.startswith(drive_c + os.sep):
        rest = os.path.relpath(host_path, drive_c)
        return "C:\\" + ("" if rest == "." else rest.replace("/", "\\"))
    return "Z:" + host_path.replace("/", "\\")


def make_project(folder, files, seed):
    """A project folder whose content is reproducible for a seed."""
    rng = random.Random(seed)
    if os.path.exists(folder):
        shutil.rmtree(folder)
    layout = [
        "Read me first.txt",
        "Photos of the summer holiday at the lake/Day one - arrival at the cabin.txt",
        "Photos of the summer holiday at the lake/Day two/Morning walk around the shore.bin",
        "Documents/Letters/Letter to the family.txt",
        "Documents/Accounts 2026.csv",
        "Music/Playlist.m3u",
    ]
    while len(layout) < files:
        layout.append("Extra/File %03d with a fairly long descriptive name.bin" % len(layout))
    for i, rel in enumerate(layout[:max(files, 1)]):
        path = os.path.join(folder, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            if rel.endswith(".bin"):
                f.write(bytes(rng.getrandbits(8) for _ in range(rng.randint(20000, 90000))))
            else:
                line = ("Line %d of %s: the quick brown fox jumps over the lazy dog.\r\n" % (i, rel))
                f.write((line * rng.randint(50, 400)).encode("ascii"))
    return sum(os.path.getsize(os.path.join(d, n)) for d, _, ns in os.walk(folder) for n in ns)


def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_registry(prefix, values, timeout, reset=False, browser=None):
    """Imports the values with the prefix's own regedit, so wineserver keeps them; with `reset`
    the key and every value an earlier run left in it are deleted first. With `browser` (the
    Windows path of the browser stand-in) web addresses and .htm files open with it."""
    lines = ["REGEDIT4", ""] + (["[-%s]" % REG_KEY, ""] if reset else []) + ["[%s]" % REG_KEY]
    lines += ["%s=%s" % (reg_string(k), reg_string(v)) for k, v in values.items()]
    if browser:
        for cls in ("http", "https", "htmlfile"):
            lines += ["", r"[HKEY_CLASSES_ROOT\%s\shell\open\command]" % cls,
                      "@=" + reg_string('"%s" "%%1"' % browser)]
        # A fresh prefix (without Wine's HTML engine) does not tie the extensions to "htmlfile".
        for ext in (".htm", ".html"):
            lines += ["", r"[HKEY_CLASSES_ROOT\%s]" % ext, "@=" + reg_string("htmlfile")]
    fd, reg_file = tempfile.mkstemp(suffix=".reg")
    text = "\r\n".join(lines) + "\r\n"
    with os.fdopen(fd, "wb") as f:
        if text.isascii():
            f.write(text.encode("ascii"))
        else:
            # A value beyond ASCII (a folder name, say) goes as Unicode, which regedit reads as it
            # is; the applet then sees it in the prefix's ANSI code page, as on Windows.
            f.write(("Windows Registry Editor Version 5.00" + text[len("REGEDIT4"):]).encode("utf-16"))
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    try:
        subprocess.run(["timeout", str(timeout), WINE, "regedit", "/S", windows_path(prefix, reg_file)],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Leave the prefix idle: the registry is then on disk, and the next program starts its
        # own Wine session with its own display settings.
        subprocess.run(["timeout", str(timeout), os.path.join(os.path.dirname(WINE), "wineserver"), "-w"],
                       env=env, check=False)
    finally:
        os.unlink(reg_file)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--prefix", required=True, help="Wine prefix (must exist)")
    ap.add_argument("--bin", required=True, help="folder with applet.exe, RwLib.dll, W2kXP03.qx")
    ap.add_argument("--qxarc", required=True, help="the qxarc tool")
    ap.add_argument("--applet-dir", default="drive_c/Burn", help="applet folder, relative to the prefix")
    ap.add_argument("--applet-name", default="Burn My Disc.exe")
    ap.add_argument("--project-dir", default="drive_c/Projects/Summer", help="project folder, relative to the prefix")
    ap.add_argument("--files", type=int, default=6, help="number of files in the project")
    ap.add_argument("--seed", type=int, default=2026)
    ap.add_argument("--title", default="Summer Holiday 2026")
    ap.add_argument("--track-title", default="Holiday photos and letters")
    ap.add_argument("--source", default="Vonnel Disc Author 6.0")
    ap.add_argument("--volume", default="SUMMER2026")
    ap.add_argument("--disc-number", default="1042")
    ap.add_argument("--delete-project", default="0")
    ap.add_argument("--delete-applet", default="1")
    ap.add_argument("--testing", default="0")
    ap.add_argument("--devices", help="DEVICES.DEF to pack (default: empty, a healthy recorder)")
    ap.add_argument("--no-registry", action="store_true", help="leave the registry alone")
    ap.add_argument("--reset-registry", action="store_true",
                    help="delete the key with all its values before writing the inputs")
    ap.add_argument("--folder-path", help="LastFolderPath as given (default: the project's path; may be empty)")
    ap.add_argument("--omit", action="append", default=[], metavar="NAME",
                    help="leave this support file out of the payload (repeatable)")
    ap.add_argument("--browser", metavar="BROWSER_EXE",
                    help="register this browser stand-in (copied to C:\\Browser) for web addresses and .htm files")
    ap.add_argument("--value", action="append", default=[], metavar="NAME=VALUE",
                    help="one more history value, or another text for one of the above (repeatable)")
    ap.add_argument("--timeout", type=int, default=120)
    args = ap.parse_args()

    prefix = os.path.abspath(args.prefix)
    applet_dir = os.path.join(prefix, args.applet_dir)
    project_dir = os.path.join(prefix, args.project_dir)
    os.makedirs(applet_dir, exist_ok=True)

    size = make_project(project_dir, args.files, args.seed)

    work = tempfile.mkdtemp(prefix="authoring-")
    try:
        support = []
        with open(os.path.join(work, "qxorig.qx"), "w", newline="\r\n") as f:
            f.write("%s\n[TITLE]\nTitle=%s\n" % (args.source, args.title))
        support.append(os.path.join(work, "qxorig.qx"))
        devices = os.path.join(work, "DEVICES.DEF")
        if args.devices:
            shutil.copyfile(args.devices, devices)
        else:
            open(devices, "w").close()
        for name in ("W2kXP03.qx", "RwLib.dll"):
            shutil.copyfile(os.path.join(args.bin, name), os.path.join(work, name))
        order = [n for n in ("W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF")
                 if n not in args.omit]
        applet = os.path.join(applet_dir, args.applet_name)
        subprocess.run([args.qxarc, "applet", os.path.join(args.bin, "applet.exe"), applet] +
                       [os.path.join(work, n) for n in order], check=True, stdout=subprocess.DEVNULL)
    finally:
        shutil.rmtree(work)

    with open(os.path.join(applet_dir, "CoverSheet.htm"), "w", newline="\r\n") as f:
        f.write("<html><head><title>%s</title></head><body>\n"
                "<h1>%s</h1><p>Volume %s, disc number %s.</p>\n"
                "<!--\n[TRACKS AND TAGS]\n1=%s\n[END OF TAGS]\n-->\n</body></html>\n"
                % (args.title, args.title, args.volume, args.disc_number, args.track_title))

    browser = None
    if args.browser:
        browser_dir = os.path.join(prefix, "drive_c", "Browser")
        os.makedirs(browser_dir, exist_ok=True)
        shutil.copyfile(args.browser, os.path.join(browser_dir, "browser.exe"))
        browser = windows_path(prefix, os.path.join(browser_dir, "browser.exe"))
        print("BROWSER_LOG=%s" % os.path.join(browser_dir, "browser.log"))

    if not args.no_registry:
        write_registry(prefix, {
            "LastFolderPath": (windows_path(prefix, project_dir) if args.folder_path is None
                               else args.folder_path),
            "LastFolderSize": str(size),
            "LastVolName": args.volume,
            "LastDiscNumber": args.disc_number,
            "LastProjectDeleteIt": args.delete_project,
            "DeleteApplet": args.delete_applet,
            "Testing": args.testing,
            **dict(value.split("=", 1) for value in args.value),
        }, args.timeout, args.reset_registry, browser)

    print("APPLET=%s" % applet)
    print("APPLET_WIN=%s" % windows_path(prefix, applet))
    print("APPLET_DIR=%s" % applet_dir)
    print("PROJECT=%s" % project_dir)
    print("PROJECT_WIN=%s" % windows_path(prefix, project_dir))
    print("PROJECT_SIZE=%d" % size)
    return 0


if __name__ == "__main__":
    sys.exit(main())
