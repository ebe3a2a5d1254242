"""Hostile payloads under Wine: damaged copies of a real applet, started in session mode and in each
maintenance mode. Every start must end on its own within its time-out (a session once the test ends
it), never crash or hang, a session must report through its memo, and a maintenance mode that
fails must leave the applet it was started from, and the support files beside it, as they were.

The real applet is made by the authoring step (standins/authoring/authoring.py) from this build's
stub and stand-ins. Its damaged copies:
  - cut: the payload cut at every member boundary (header, name, data) and inside each part;
  - flip: one bit flipped, at every header byte and at offsets spread over the member data;
  - huge: archive and member headers that claim huge or negative sizes.

By default a fixed sample of these cases runs (a few minutes per build). The environment variable
QX_HOSTILE_FULL=1 runs the full sweep: every case in every build mode and when unpacking, and every
cut and huge case with a spread of the bit flips in a session and when stripping (about 1,700
starts, an hour or more). It outlasts ctest's time-out of an e2e test, so run it by hand:

    cd tests/e2e
    export QX_BIN=$PWD/../../build/win64/bin QX_NATIVE_BIN=$PWD/../../build/release/bin \
           QX_E2E_DIR=/tmp/qx-hostile QX_HOSTILE_FULL=1
    python3 e2e_prefix.py setup && python3 -m unittest -v hostile_test; python3 e2e_prefix.py cleanup
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import unittest

import harness
from harness import MIN_APPLET_SIZE, STUB_SIZE, Wine, windows_path

FULL = os.environ.get("QX_HOSTILE_FULL", "") not in ("", "0")
QXARC = os.path.join(os.environ.get("QX_NATIVE_BIN", ""), "qxarc")
AUTHORING = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "standins",
                         "authoring", "authoring.py")
APPLET = "Burn My Disc.exe"
SUPPORT = ["W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF", "qxi9cd.qx"]
BUILD_MODES = ["/max#13/#10", "/Now#13/#10", "/#13/#10"]
SPAWN, STRIP = "/spawnqx00#13/#10", "/emptyqx00#13/#10"
MAINTENANCE_MODES = BUILD_MODES + [SPAWN, STRIP]
BANNER = harness.text("IDS_PRODUCT_BANNER").rstrip("\r\n")
# Time-outs of one start: generous for Wine on a loaded machine, far beyond what a sound start takes.
END_MS = 30000
BATCH_S = 30
ARCHIVE_HEADER, MEMBER_HEADER = 21, 25


def members(payload):
    """(header offset, name offset, data offset, end offset) of every member of the archive."""
    found, at = [], ARCHIVE_HEADER
    while at + MEMBER_HEADER <= len(payload):
        name_length, = struct.unpack_from("<h", payload, at)
        packed, = struct.unpack_from("<i", payload, at + 12)
        data = at + MEMBER_HEADER + name_length
        found.append((at, at + MEMBER_HEADER, data, data + packed))
        at = data + packed
    return found


def cuts(payload):
    """Payload lengths: every boundary of the headers, names and data, and a point inside each."""
    lengths = {0, 10, ARCHIVE_HEADER, len(payload) - 1}
    for header, name, data, end in members(payload):
        lengths |= {header, header + 12, name, name + 1, data, (data + end) // 2, end - 1}
    return sorted(n for n in lengths if 0 <= n < len(payload))


def flips(payload, data_offsets):
    """(offset, bit): one at every byte of every header and name, then `data_offsets` offsets
    spread evenly over the member data (seeded, so every run damages the same bits)."""
    rng = random.Random(2026)
    found = [(o, rng.randrange(8)) for o in range(ARCHIVE_HEADER)]
    spans = []
    for header, _, data, end in members(payload):
        found += [(o, rng.randrange(8)) for o in range(header, data)]
        spans.append((data, end))
    data_bytes = [o for start, end in spans for o in range(start, end)]
    step = max(1, len(data_bytes) // max(1, data_offsets))
    found += [(data_bytes[i], rng.randrange(8)) for i in range(step // 2, len(data_bytes), step)]
    return found


def huge(payload):
    """(label, offset, 32-bit little-endian value) of headers that claim sizes no writer makes.
    The default run samples the first, middle and last of them for a session."""
    first, last = members(payload)[0][0], members(payload)[-1][0]
    name_length = struct.unpack_from("<I", payload, first)[0] & 0xFFFF0000
    return [
        ("first-unpacked-max", first + 8, 0x7FFFFFFF),
        ("total-max", 8, 0x7FFFFFFF),
        ("total-negative", 8, 0x80000000),
        ("first-packed-max", first + 12, 0x7FFFFFFF),
        ("first-unpacked-1G", first + 8, 0x40000000),
        ("last-unpacked-max", last + 8, 0x7FFFFFFF),
        ("first-name-max", first, name_length | 0x7FFF),
        ("first-packed-negative", first + 12, 0xFFFFFFF0),
    ]


class Case:
    def __init__(self, label, image):
        self.label, self.image = label, image


def all_cases(image):
    payload = image[STUB_SIZE:]
    found = [Case(f"cut-{n}", image[:STUB_SIZE + n]) for n in cuts(payload)]
    for offset, bit in flips(payload, 200):
        damaged = bytearray(image)
        damaged[STUB_SIZE + offset] ^= 1 << bit
        found.append(Case(f"flip-{offset}.{bit}", bytes(damaged)))
    for label, offset, value in huge(payload):
        damaged = bytearray(image)
        struct.pack_into("<I", damaged, STUB_SIZE + offset, value)
        found.append(Case(f"huge-{label}", bytes(damaged)))
    return found


def spread(cases, count):
    """`count` cases spread evenly over the list, always with its first and last."""
    if count >= len(cases):
        return list(cases)
    if count < 2:
        return cases[len(cases) // 2:][:count]
    step = (len(cases) - 1) / (count - 1)
    return [cases[round(i * step)] for i in range(count)]


def pick(cases, cut, flip, huge):
    """That many cases of each kind, spread over the kind (None: all of them)."""
    kinds = {"cut": cut, "flip": flip, "huge": huge}
    found = []
    for kind, count in kinds.items():
        of_kind = [c for c in cases if c.label.startswith(kind)]
        found += of_kind if count is None else spread(of_kind, count)
    return found


def crash_dialogs():
    """Process ids of Wine's crash debugger (it shows the "Program Error" dialog) in this prefix."""
    marker = b"WINEPREFIX=" + os.path.abspath(harness.PREFIX).encode()
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"winedbg" not in f.read().lower():
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if marker in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            continue
    return found


def listed(path, offset):
    """Lower-case names of the members qxarc lists in the archive at `offset` (none when it cannot
    read one there)."""
    result = subprocess.run([QXARC, "l", "--at", str(offset), path], capture_output=True,
                            timeout=60)
    names = set()
    for line in result.stdout.decode("latin-1").splitlines():
        fields = line.split()
        if len(fields) >= 7 and all(f.lstrip("-").isdigit() for f in fields[:2]):
            names.add(fields[-1].lower())
    return names


def read(path):
    with open(path, "rb") as f:
        return f.read()


class HostileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = Wine()
        cls.work = harness.work_folder("hostile")
        cls.image = cls.real_applet()
        cls.stub = read(os.path.join(harness.BIN, "applet.exe"))
        cls.cases = all_cases(cls.image)
        cls.support = {name: f"{name} beside the applet\r\n".encode() * 40 for name in SUPPORT}
        print(f"\n{getattr(harness, 'ARCH', 'win64')}: {len(cls.image)} bytes, "
              f"{len(members(cls.image[STUB_SIZE:]))} members, {len(cls.cases)} cases, "
              f"{'full sweep' if FULL else 'sample'}", file=sys.stderr)

    @classmethod
    def real_applet(cls):
        """The applet the authoring step makes from this build's stub and stand-ins."""
        root = os.path.join(cls.work, "authoring")
        out = subprocess.run([sys.executable, AUTHORING, "--prefix", root, "--bin", harness.BIN,
                              "--qxarc", QXARC, "--no-registry", "--files", "1",
                              "--applet-name", APPLET], check=True, capture_output=True, text=True,
                             timeout=120).stdout
        path = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)["APPLET"]
        image = read(path)
        shutil.rmtree(root)
        assert len(image) > MIN_APPLET_SIZE and image[STUB_SIZE:STUB_SIZE + 5] == b"KELV\x1a"
        return image

    def tearDown(self):
        harness.end_batches(self.work)
        for pid in crash_dialogs():
            os.kill(pid, 9)

    def case_folder(self, case, mode):
        folder = os.path.join(self.work, f"{case.label}-{MAINTENANCE_MODES.index(mode) if mode else 's'}")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        path = os.path.join(folder, APPLET)
        with open(path, "wb") as f:
            f.write(case.image)
        return folder, path

    def assert_no_crash(self, what):
        dialogs = crash_dialogs()
        for pid in dialogs:
            os.kill(pid, 9)
        self.assertEqual(dialogs, [], f"{what}: Wine's crash dialog came up")

    # --- maintenance modes

    def wait_for_replacement(self, folder, path):
        """The batch a successful build or strip starts: waits until it has put the new applet in
        place, then ends its last loop (see harness.end_batches)."""
        deadline = time.monotonic() + BATCH_S
        new = os.path.join(folder, "Applet.exe")
        while os.path.exists(path) or os.path.exists(os.path.join(folder, "qx1e.qx")) or \
                not os.path.exists(new):
            if time.monotonic() > deadline:
                return None
            time.sleep(0.1)
        harness.end_batches(folder)
        try:
            os.remove(os.path.join(folder, "qx1e.bat"))
        except FileNotFoundError:
            pass  # the batch got to delete itself after all
        return read(new)

    def run_maintenance(self, case, mode):
        folder, path = self.case_folder(case, mode)
        for name, data in self.support.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        try:
            self.check_maintenance(case, mode, folder, path)
        finally:
            # A batch left looping by a failed check would slow every case after it.
            harness.end_batches(folder)
        shutil.rmtree(folder)

    def check_maintenance(self, case, mode, folder, path):
        code, window_seen = self.wine.exec_line(f'"{windows_path(path)}" {mode}', END_MS)
        self.assert_no_crash(mode)
        self.assertEqual((code, window_seen), (0, False),
                         "exit code (None: still running at the time-out), window")
        if not os.path.exists(os.path.join(folder, "qx1e.bat")):
            # Nothing replaced: the applet and the files beside it are as they were.
            self.assertEqual(read(path), case.image, "the applet changed")
            if mode != SPAWN:
                for name, data in self.support.items():
                    self.assertEqual(read(os.path.join(folder, name)), data, name)
        else:
            self.assertNotEqual(mode, SPAWN, "unpacking started a batch")
            new = self.wait_for_replacement(folder, path)
            self.assertIsNotNone(new, "the batch did not replace the applet")
            if mode == STRIP:
                self.assertEqual(new, self.stub)
            else:
                # The new applet holds the whole old one, damaged payload and all, and every
                # support file the build deleted is in its new archive or was in the old one.
                self.assertEqual(new[:len(case.image)], case.image, "the old applet was lost")
                self.assertEqual(new[len(case.image):len(case.image) + 5], b"KELV\x1a")
                applet, old = os.path.join(folder, "Applet.exe"), os.path.join(folder, "old")
                with open(old, "wb") as f:
                    f.write(case.image)
                kept = listed(applet, len(case.image)) | listed(old, STUB_SIZE)
                gone = {n.lower() for n in SUPPORT if not os.path.exists(os.path.join(folder, n))}
                self.assertEqual(gone - kept, set(), "support files deleted but not packed")

    # --- session

    def run_session(self, case):
        folder, path = self.case_folder(case, "")
        if len(case.image) < MIN_APPLET_SIZE:
            code, window_seen = self.wine.exec_line(f'"{windows_path(path)}"', END_MS)
            self.assert_no_crash("session")
            self.assertEqual((code, window_seen), (0, False), "a file too small for a session")
            shutil.rmtree(folder)
            return
        args, env = self.wine.exec_args(f'"{windows_path(path)}"', 120000)
        running = self.wine.start(args, extra_env=env)
        try:
            shown = self.wine.probe("wait-window", END_MS, timeout=90)
            self.assertEqual(shown.returncode, 0, "no session window")
            waited = self.wine.probe("wait-memo", BANNER, END_MS, timeout=90)
            self.assertEqual(waited.returncode, 0, f"the memo did not report: {waited.stdout!r}")
            memo = self.wine.probe("memo")
            self.assertEqual(memo.returncode, 0)
            self.assertIn(BANNER, memo.stdout)
            self.assertIsNone(running.poll(), "the session ended by itself")
            self.assert_no_crash("session")
        finally:
            self.wine.probe("kill")
            result = running.wait(60)
        # 99 is what uiprobe kill gives: the process lived until the test ended it.
        self.assertEqual(harness.parse_exec(result), (99, True))
        shutil.rmtree(folder)

    # --- the sweep

    def sweep(self, runs):
        """Runs (case, mode) pairs, each as a subtest, and tells how long they took."""
        started = time.monotonic()
        for case, mode in runs:
            with self.subTest(case=case.label, mode=mode or "session"):
                if mode:
                    self.run_maintenance(case, mode)
                else:
                    self.run_session(case)
        print(f"\n{self.id().split('.')[-1]}: {len(runs)} starts in "
              f"{time.monotonic() - started:.0f} s", file=sys.stderr)

    def test_damaged_payloads_in_the_maintenance_modes(self):
        if FULL:
            runs = [(c, m) for c in self.cases for m in BUILD_MODES + [SPAWN]]
        else:
            # The three build modes read the payload alike and differ only in what they write,
            # so the sample takes turns with them.
            cases = pick(self.cases, cut=6, flip=8, huge=8)
            runs = [(c, m) for i, c in enumerate(cases) for m in (BUILD_MODES[i % 3], SPAWN)]
        self.sweep(runs)

    def test_damaged_payloads_when_stripped(self):
        # Stripping never reads the payload: only the file's length can matter.
        cases = pick(self.cases, None, 20, None) if FULL else pick(self.cases, cut=3, flip=1, huge=0)
        self.sweep([(c, STRIP) for c in cases])

    def test_damaged_payloads_in_a_session(self):
        # Each session start costs several Wine processes: sampled more thinly.
        cases = pick(self.cases, None, 60, None) if FULL else pick(self.cases, cut=2, flip=2, huge=3)
        self.sweep([(c, "") for c in cases])


if __name__ == "__main__":
    unittest.main()
