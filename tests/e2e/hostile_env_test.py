"""Sessions under Wine fed the inputs that real machines produce, one table row per input, each
row naming the promise it checks. The applets are the authoring stand-in's, the recorder the image
recorder, the browser the browser stand-in; every row ends the session the way a user would and
then checks, once every program of the prefix has ended:

  outside    every file outside the project (this module's other folders, a neighbour folder,
             the applet folder's own files such as the cover sheet) is byte-identical afterwards
  result     the exit code and `BBResult` are the row's result, and the memo says that result
  left       the support files and the batch are gone; the applet is gone only after a completed
             disc with `DeleteApplet` "1", kept otherwise
  bounded    no program of the session (the applet, its batch, the browser) outlives it by more
             than IDLE_S seconds

and then what the row itself promises. The promises, as the rows name them:

  deleted    nothing outside the project is ever deleted
  recorded   the folder recorded is the folder named, or none (result 2 before any write)
  data       outside strings stay data: the results address is one argument with every unsafe
             byte percent-encoded, the memo shows them as they are
  ini        the cover sheet is read by the platform's ini rules, in bounded memory
  counters   counters and sizes do not wrap; the progress interval is never 0

Rows that end the same way share one session where their inputs do not meet: a device string, a
cover sheet and a history value go into one recording. Run alone:
  ctest --test-dir build/win64 -R e2e_win64_hostile_env
"""
import hashlib
import os
import shutil
import subprocess
import sys
import time
import unittest
from typing import NamedTuple, Optional

import harness
import recording_session_test as rs
import session_end_test as se
import session_test as st

ARCH = harness.ARCH
ROOT = os.path.join(harness.PREFIX, "drive_c", "hostile")
IDLE_S = 120
APPLET_NAME = "Burn My Disc.exe"
# What the session and the recorder make in the applet folder: checked by name, not by content.
MADE_HERE = set(se.SUPPORT_FILES) | {APPLET_NAME, "qx1e.bat", "calls.log", "disc.iso",
                                      "wnaspi32.dll"}
RESULT_LINES = {0: rs.COMPLETED, 1: st.CANCELLED, 2: rs.FOLDER_MISSING, 7: st.PROBLEM + " "}
# The ANSI code page of the prefix (Wine's for an English locale): non-ASCII names are written in
# it, which the applet's 8-bit texts are.
ANSI = "cp1252"


def windows(rel):
    """The Windows path of a folder below drive C of the prefix, given relative to it."""
    return "C:\\" + rel.replace("/", "\\")


def url_value(data):
    """A byte string as the results address carries an outside value."""
    safe = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~()"
    return "".join(chr(b) if b in safe else "%%%02X" % b for b in data)


def snapshot(root, skip):
    """Every file below `root` with its digest, except the folders in `skip` and the files the
    session makes in an applet folder."""
    files = {}
    for folder, dirs, names in os.walk(root):
        dirs[:] = [d for d in dirs if os.path.join(folder, d) not in skip]
        applet_folder = os.path.exists(os.path.join(folder, "CoverSheet.htm")) or \
            os.path.basename(folder).endswith("-applet")
        for name in names:
            if applet_folder and name in MADE_HERE:
                continue
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, root)] = hashlib.sha256(f.read()).hexdigest()
    return files


def log_lines(path, name):
    """The argument and answer fields of each call `name` in the recorder's log, read as bytes
    (a device string may hold the log's own separators, which split its line, not these)."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\n")
    return [line.split("\t")[1:] for line in lines if line.startswith(name + "\t")]


# --- the rows

class TPathRow(NamedTuple):
    """A `LastFolderPath` value. `project` is the folder the authoring stand-in fills, relative
    to drive C (None: this row's default), `value` what the registry says, given that folder's
    Windows path; `emptied`: the clean-up empties the project (`LastProjectDeleteIt` is "1" in
    every row)."""
    name: str
    promise: str
    value: object
    result: int
    emptied: bool = False
    project: Optional[str] = None
    drive: Optional[str] = None  # a drive letter of the prefix made to be the project's root


def deep(length):
    """A project folder whose Windows path is `length` characters long, in parts of at most 100."""
    rel = f"hostile/{ARCH}-deep{length}"
    while len(windows(rel)) < length:
        rel += "/" + "d" * min(100, length - len(windows(rel)) - 1)
    assert len(windows(rel)) == length, rel
    return rel


PATH_ROWS = [
    TPathRow("drive root", "deleted: a drive's root (Q: is the project) is recorded, never "
             "emptied", lambda p: "Q:\\", 0, drive="q"),
    TPathRow("empty", "recorded: none named, the session waits and ends as cancelled",
             lambda p: "", 1),
    TPathRow("relative missing", "recorded: a relative name that names nothing ends with 2",
             lambda p: "no such project", 2),
    TPathRow("relative", "deleted: a relative name is recorded from the applet folder, never "
             "emptied", lambda p: "Project", 0,
             project=f"hostile/{ARCH}-relative-applet/Project"),
    TPathRow("drive relative", "deleted: \"C:\" (the applet's own folder) is never emptied; "
             "the recorder refuses the name (126), result 7", lambda p: "C:", 7),
    TPathRow("unc", "recorded: a share that does not answer ends with 2",
             lambda p: "\\\\server\\share\\x", 2),
    # The image recorder reads folders through the system's usual path limit: the files below a
    # folder of 259 characters lie beyond it, and it answers 148; the write call has the whole path.
    TPathRow("259 characters", "recorded: the longest path the record holds is handed over whole "
             "(the recorder answers 148, result 7)", lambda p: p, 7, project=deep(259)),
    TPathRow("260 characters", "recorded: a path the record cannot hold ends with 2 before any "
             "write", lambda p: p, 2, project=deep(260)),
    TPathRow("300 characters", "recorded: a path the record cannot hold ends with 2 before any "
             "write", lambda p: p, 2, project=deep(300)),
    TPathRow("trailing separator", "recorded: the folder named with a closing \"\\\" is the "
             "project", lambda p: p + "\\", 0, emptied=True),
    TPathRow("a file", "recorded, deleted: a file named as the project ends with 2 and stays",
             lambda p: p + "\\Read me first.txt", 2),
    TPathRow("non-ASCII", "recorded: a folder named in the ANSI code page is recorded and emptied",
             lambda p: p, 0, emptied=True, project=f"hostile/{ARCH}-Été à Noël, Größe"),
]


class TDevice(NamedTuple):
    """The recorder's vendor and product strings (bytes), as DEVICES.DEF escapes them."""
    name: str
    vendor: bytes
    product: bytes


def escaped(data):
    return "".join(chr(b) if 32 < b < 127 and b != 92 else
                   {9: "\\t", 13: "\\r", 10: "\\n", 92: "\\\\"}.get(b, "\\x%02X" % b) for b in data)


class TCover(NamedTuple):
    """A cover sheet (None: none at all) and the first track's title it gives."""
    name: str
    content: Optional[bytes]
    title: bytes


def utf16(text, order):
    bom = b"\xff\xfe" if order == "little" else b"\xfe\xff"
    return bom + text.encode("utf-16-le" if order == "little" else "utf-16-be")


PAGE = "<html><body>\r\n<h1>Summer</h1>\r\n<!--\r\n%s\r\n-->\r\n</body></html>\r\n"
SECTION = "[TRACKS AND TAGS]\r\n1=%s\r\n[END OF TAGS]"


def huge_sheet():
    """32 MiB of page before the section: read whole, the sheet would cost that much memory."""
    filler = b"<p>" + b"A line of the printable page that the section comes after. " * 2 + b"</p>\r\n"
    body = filler * (32 * 1048576 // len(filler))
    return b"<html><body>\r\n" + body + (PAGE % (SECTION % "At the end")).encode("ascii")


COVERS = [
    TCover("missing", None, b""),
    TCover("empty", b"", b""),
    TCover("no section", (PAGE % "1=Not a tag").encode("ascii"), b""),
    TCover("header without bracket",
           (PAGE % "[TRACKS AND TAGS\r\n1=Not in a section").encode("ascii"), b""),
    TCover("UTF-16 little-endian", utf16(PAGE % (SECTION % "Été en famille"), "little"),
           "Été en famille".encode(ANSI)),
    TCover("UTF-16 big-endian", utf16(PAGE % (SECTION % "Noël"), "big"), "Noël".encode(ANSI)),
    TCover("quoted", (PAGE % "[TRACKS AND TAGS]\r\n1 = \"  Quoted title  \"\r\n").encode("ascii"),
           b"Quoted title"),
    TCover("huge, section at the end", huge_sheet(), b"At the end"),
]

COUNTERS = {
    # value as stored, value after a completed track-at-once disc
    "TAOModeSuccess": ("2147483647", "2147483647"),
    "SAOModeSuccess": ("-3", "-3"),
    "DAOModeSuccess": ("7 discs", "0"),
    "TAOModeFail": ("-2147483648", "-2147483648"),
    "SAOModeFail": ("", "0"),
    "DAOModeFail": ("0x10", "0"),
}


class TRecordingRow(NamedTuple):
    """One completed recording that carries several rows' inputs: a device, a cover sheet and,
    where set, history values."""
    name: str
    device: TDevice
    cover: TCover
    counters: bool = False
    size: Optional[int] = None  # LastFolderSize as the history claims it


DEVICE_ROWS = [
    TDevice("quotes and tabs", b'Vendor "quoted" \'too\'', b"Tab\tbed\t&more"),
    TDevice("CR LF and non-ASCII", b"Line one\r\nLine two", "Brûlé Écrivain ñ".encode(ANSI)),
    TDevice("1,023 characters", b"V" * 1022 + b"%", b"P" * 1000 + b"#?&=+" + b"p" * 18),
]

RECORDING_ROWS = [
    TRecordingRow("quotes, tabs; no cover sheet", DEVICE_ROWS[0], COVERS[0]),
    TRecordingRow("CR LF, non-ASCII; empty sheet", DEVICE_ROWS[1], COVERS[1]),
    TRecordingRow("1,023 characters; no section", DEVICE_ROWS[2], COVERS[2]),
    TRecordingRow("unclosed header; counters", TDevice("plain", b"QX", b"Image Recorder"),
                  COVERS[3], counters=True),
    TRecordingRow("UTF-16 LE; 4 GiB", TDevice("plain", b"QX", b"Image Recorder"), COVERS[4],
                  size=1 << 32),
    TRecordingRow("UTF-16 BE", TDevice("plain", b"QX", b"Image Recorder"), COVERS[5]),
    TRecordingRow("quoted", TDevice("plain", b"QX", b"Image Recorder"), COVERS[6]),
    TRecordingRow("huge sheet", TDevice("plain", b"QX", b"Image Recorder"), COVERS[7]),
]


class THostileSession(rs.TRecording):
    """One applet of the authoring stand-in in a folder of this module, the browser stand-in
    registered, the history's values then set as the row asks (through a Unicode registry file,
    so that non-ASCII values arrive as they are)."""

    def __init__(self, test, tag, project=None, devices="", values=None, cover=None,
                 keep_cover=True, delete_project="1", folder_value=None, drive=None):
        self.test, self.wine = test, test.wine
        applet_rel = f"hostile/{ARCH}-{tag}-applet"
        project_rel = project or f"hostile/{ARCH}-{tag}-project"
        args = [sys.executable, st.AUTHORING, "--prefix", harness.PREFIX, "--bin", harness.BIN,
                "--qxarc", st.QXARC, "--applet-dir", "drive_c/" + applet_rel,
                "--project-dir", "drive_c/" + project_rel, "--files", "2", "--reset-registry",
                "--source", se.SOURCE, "--delete-project", delete_project, "--browser", se.BROWSER,
                "--title", rs.TITLE, "--volume", rs.VOLUME, "--disc-number", "1042"]
        devices_file = os.path.join(test.work, f"{tag}.DEF")
        with open(devices_file, "w", encoding="ascii") as f:
            f.write(devices + st.LOG)
        args += ["--devices", devices_file]
        self.project_win = windows(project_rel)
        values = dict(values or {})
        if folder_value is not None:
            values["LastFolderPath"] = self.folder_value = folder_value(self.project_win)
        # Set by the authoring stand-in's own registry import, as Unicode where they need it.
        args += [f"--value={name}={value}" for name, value in values.items()]
        out = subprocess.run(args, check=True, capture_output=True, text=True, timeout=300).stdout
        self.paths = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        self.folder = self.paths["APPLET_DIR"]
        self.browser_log = self.paths["BROWSER_LOG"]
        for stale in ("calls.log", "disc.iso", "qx1e.bat"):
            if os.path.exists(os.path.join(self.folder, stale)):
                os.remove(os.path.join(self.folder, stale))
        if os.path.exists(self.browser_log):
            os.remove(self.browser_log)
        if drive:
            test.map_drive(drive, self.paths["PROJECT"])
        sheet = os.path.join(self.folder, "CoverSheet.htm")
        if cover is not None:
            with open(sheet, "wb") as f:
                f.write(cover)
        elif not keep_cover:
            os.remove(sheet)
        self.original = os.path.join(test.work, f"{tag}-original")
        shutil.rmtree(self.original, ignore_errors=True)
        shutil.copytree(self.paths["PROJECT"], self.original)
        self.outside = snapshot(ROOT, {self.paths["PROJECT"]})
        exec_args, env = self.wine.exec_args(f'"{self.paths["APPLET_WIN"]}"', st.SESSION_MS)
        env["WINEDLLOVERRIDES"] = self.wine.env["WINEDLLOVERRIDES"] + ";" + se.NATIVE_ASPI
        self.running = self.wine.start(exec_args, extra_env=env)
        self.memo_text = ""

    def calls_of(self, name):
        return log_lines(os.path.join(self.folder, "calls.log"), name)

    def opened(self):
        if not os.path.exists(self.browser_log):
            return []
        with open(self.browser_log, "rb") as f:
            return [line for line in f.read().split(b"\r\n") if line]


class HostileEnvironmentTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder("hostile_env")
        shutil.rmtree(ROOT, ignore_errors=True)
        # A neighbour of every project: it must come through every row as it is.
        neighbour = os.path.join(ROOT, f"{ARCH}-neighbour")
        os.makedirs(os.path.join(neighbour, "inner"))
        for rel, data in (("keep.txt", b"kept\r\n"), ("inner/keep.bin", bytes(range(256)) * 64)):
            with open(os.path.join(neighbour, rel), "wb") as f:
                f.write(data)
        cls.online = se.online(cls.wine, cls.work)
        print(f"online as Wine sees it: {cls.online}", flush=True)

    def setUp(self):
        self.session = None
        self.started = time.monotonic()

    def tearDown(self):
        if self.session:
            self.session.kill()
            harness.end_batches(self.session.folder)

    def map_drive(self, letter, host_folder):
        """Makes `letter`: a drive of the prefix whose root is `host_folder`."""
        link = os.path.join(harness.PREFIX, "dosdevices", f"{letter}:")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(host_folder, link)
        self.addCleanup(os.remove, link)

    # --- what every row checks

    def end_session(self, session, result):
        """Drives the session to its end the way a user would; returns the memo's last words."""
        wait_for = {0: rs.COVER, 1: st.PROBLEM, 2: rs.FOLDER_MISSING, 7: st.PROBLEM + " "}[result]
        session.wait_memo(wait_for)
        session.wait_right("&Cancel" if result == 1 else "&OK")
        final = session.press_and_follow("right")
        self.assertEqual(session.exit_code(), result)
        return final

    def check_common(self, session, final, result, emptied=False, delete_applet=True):
        memo = final or session.memo_text
        self.assertIn(RESULT_LINES[result], memo, "the memo does not say the result")
        if result != 0:
            self.assertNotIn(rs.COMPLETED, memo)
        self.assertTrue(harness.wait_idle(IDLE_S),
                        f"programs of the session still run {IDLE_S} s after it ended")
        history = session.registry()
        self.assertEqual(history.get("BBResult"), str(result))
        left = set(os.listdir(session.folder))
        for name in se.SUPPORT_FILES + ("qx1e.bat",):
            self.assertNotIn(name, left)
        self.assertEqual(APPLET_NAME in left, not (result == 0 and delete_applet), sorted(left))
        self.assertEqual(snapshot(ROOT, {session.paths["PROJECT"]}), session.outside,
                         "files outside the project changed")
        project = session.paths["PROJECT"]
        if emptied:
            self.assertTrue(os.path.isdir(project))
            self.assertEqual(os.listdir(project), [], "the project was not emptied")
        else:
            diff = subprocess.run(["diff", "-r", session.original, project], capture_output=True,
                                  text=True)
            self.assertEqual(diff.returncode, 0, "the project changed: " + diff.stdout)
        return history

    def address(self, session, result, cdr, succ="0.0.1", fail="0.0.0", size=None):
        speeds = session.calls_of("SetCdSpeeds")
        factor = max(int(speeds[0][1]) // 176, 2) if speeds else ""
        if size is None:
            size = int(session.paths["PROJECT_SIZE"])
        return se.expected_address(result, se.ASPI_VERSION, cdr, succ, fail, factor,
                                   size // 1048576)

    # --- the history's path values

    def test_last_folder_path_values(self):
        for row in PATH_ROWS:
            with self.subTest(row=row.name, promise=row.promise):
                try:
                    self.path_row(row)
                finally:
                    self.end_row(row.name)

    def end_row(self, name):
        """A row that failed half-way leaves its session running: it goes before the next starts,
        so that no row drives another's window."""
        if self.session:
            self.session.kill()
            harness.end_batches(self.session.folder)
            harness.wait_idle(IDLE_S)
            self.session = None
        print(f"row {name}: {time.monotonic() - self.started:.0f} s", flush=True)

    def path_row(self, row):
        tag = row.name.replace(" ", "-").replace(",", "")
        session = THostileSession(self, tag, project=row.project, folder_value=row.value,
                                  drive=row.drive)
        self.session = session
        value = session.folder_value
        session.wait_window()
        final = self.end_session(session, row.result)
        writes = session.calls_of("WriteCdDataTaoPerList")
        if row.result in (0, 7):
            self.assertEqual(len(writes), 1)
            self.assertEqual(writes[0][1], value)
        if row.result == 0:
            session.assert_image_holds(session.original)
        if row.result == 2:
            self.assertEqual(writes, [], "a write for a folder that is not the one named")
            self.assertFalse(os.path.exists(session.image()))
            self.assertIn(value.encode(ANSI).decode("latin-1"), final)
        self.check_common(session, final, row.result, emptied=row.emptied)
        self.session = None

    # --- device strings, cover sheets, history values: completed recordings

    def test_outside_strings_cover_sheets_and_history_values(self):
        for row in RECORDING_ROWS:
            with self.subTest(row=row.name):
                try:
                    self.recording_row(row)
                finally:
                    self.end_row(row.name)

    def recording_row(self, row):
        tag = "rec-" + row.name.split(";")[0].replace(" ", "-").replace(",", "")
        devices = (f"[Recorder]\nVendor={escaped(row.device.vendor)}\n"
                   f"Product={escaped(row.device.product)}\n")
        values = {}
        if row.counters:
            values.update({k: v[0] for k, v in COUNTERS.items()})
        if row.size is not None:
            values["LastFolderSize"] = str(row.size)
        session = THostileSession(self, tag, devices=devices, values=values,
                                  cover=row.cover.content,
                                  keep_cover=row.cover.content is not None,
                                  delete_project="0")
        self.session = session
        session.wait_window()
        final = self.end_session(session, 0)
        device = row.device
        # data: the memo shows the recorder's strings as they are.
        shown = ("Recorder:  " + (device.vendor + b" " + device.product).decode("latin-1"))
        self.assertIn(shown, final)
        # ini: the track title the sheet gives.
        writes = session.calls_of("WriteCdDataTaoPerList")
        self.assertEqual(len(writes), 1)
        self.assertEqual(writes[0][5].encode("latin-1"), row.cover.title,
                         f"cover sheet {row.cover.name}")
        history = self.check_common(session, final, 0)
        session.assert_image_holds(session.original)
        succ, fail = "0.0.1", "0.0.0"
        if row.counters:
            # counters: stored values that are no number read as 0; the largest stays.
            for name, (_, after) in COUNTERS.items():
                self.assertEqual(history.get(name), after, name)
            c = {k: v[1] for k, v in COUNTERS.items()}
            succ = f"{c['SAOModeSuccess']}.{c['DAOModeSuccess']}.{c['TAOModeSuccess']}"
            fail = f"{c['SAOModeFail']}.{c['DAOModeFail']}.{c['TAOModeFail']}"
        if row.size is not None:
            # counters: 4 GiB gives the track list 0 in its low 32 bits, and the write
            # an interval all the same.
            self.assertEqual(writes[0][4], str(row.size & 0xFFFFFFFF))
            self.assertEqual(writes[0][8], "110")
        # data: at most 64 bytes of the recorder's texts, so the address stays short.
        cdr = url_value((device.vendor + device.product)[:64].replace(b"&", b"_")
                        .replace(b" ", b"_"))
        expected = self.address(session, 0, cdr, succ, fail, row.size)
        reports = [line for line in session.opened() if line.startswith(se.RESULTS.encode("ascii"))]
        if row.cover.content is None:
            self.assertEqual(reports, [], "no cover sheet means no report")
        else:
            # data: one argument, exactly the encoded address (only when Wine says online).
            self.assertEqual(reports, [expected.encode("ascii")] if self.online else [])
        for line in reports:
            self.assertFalse([b for b in line if b in b"\"' \t\r\n<>" or b > 126], line)
        self.session = None


if __name__ == "__main__":
    unittest.main()
