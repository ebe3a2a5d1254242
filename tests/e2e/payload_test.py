"""The payload under Wine: real applets build, unpack and strip themselves, and the replacement
batch swaps the running applet for "Applet.exe" once its process has ended."""
import os
import random
import struct
import subprocess
import time
import unittest

import harness
from harness import STUB_SIZE, Wine, windows_path

# The session's first memo line, by id from the text table.
BANNER = harness.text("IDS_PRODUCT_BANNER").rstrip("\r\n")

QXARC = os.path.join(os.environ.get("QX_NATIVE_BIN", ""), "qxarc")
SUPPORT = ["W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF", "qxi9cd.qx"]
HIDDEN = 0x02
END_MS = 60000


def content(name, tag):
    """A file's bytes: a readable line, a long run that every method shrinks, then 600 bytes that
    none can, so that every payload passes the smallest size that starts a session."""
    rng = random.Random(name + tag)
    return (f"{tag} {name}\r\n".encode() + bytes(1500) +
            bytes(rng.getrandbits(8) for _ in range(600)))


def dos_attributes(path):
    """The DOS attributes Wine keeps for a file (in an extended attribute of the Unix file)."""
    try:
        value = os.getxattr(path, "user.DOSATTRIB").split(b"\0")[0].decode()
    except OSError:
        return 0
    return int(value, 16) if value.startswith("0x") else int(value)


def members(path, offset=STUB_SIZE):
    """(name, method) of every member of the archive at `offset`, as qxarc lists them."""
    out = subprocess.run([QXARC, "l", "--at", str(offset), path], check=True, capture_output=True,
                         text=True, timeout=60).stdout
    rows = []
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 7 and fields[0].isdigit() and fields[1].isdigit():
            rows.append((fields[-1], fields[2]))
    return rows


def aspi_copy(folder, name):
    """The name under which an unpacked member lies: the session's checks go on after the
    banner, and its ASPI check may already have moved the ASPI copy "W2kXP03.qx" to the name
    "wnaspi32.dll" (a rename that leaves an existing "wnaspi32.dll" alone)."""
    if name != "W2kXP03.qx" or os.path.exists(os.path.join(folder, name)):
        return name
    return "wnaspi32.dll"


class PayloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = Wine()
        cls.work = harness.work_folder("payload")
        with open(os.path.join(harness.BIN, "applet.exe"), "rb") as f:
            cls.stub = f.read()
        assert len(cls.stub) == STUB_SIZE

    def folder(self, name=None):
        path = os.path.join(self.work, name or f"{self.id().split('.')[-1]}-{time.monotonic_ns()}")
        os.makedirs(path)
        return path

    def support_files(self, folder, names=SUPPORT, tag="new"):
        for name in names:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(content(name, tag))

    def applet_with(self, folder, names, name="Burn Me.exe", method="rle"):
        """The stub followed by an archive of files named `names` (content: "old NAME")."""
        source = os.path.join(folder, "..", os.path.basename(folder) + "-src")
        os.makedirs(source, exist_ok=True)
        self.support_files(source, names, "old")
        archive = os.path.join(source, "payload.kelv")
        subprocess.run([QXARC, "c", "-m", method, "-C", source, archive] +
                       [os.path.join(source, n) for n in names], check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        path = os.path.join(folder, name)
        with open(path, "wb") as out, open(archive, "rb") as payload:
            out.write(self.stub + payload.read())
        return path

    def run_applet(self, path, parameters):
        code, window_seen = self.wine.exec_line(f'"{windows_path(path)}" {parameters}', END_MS)
        self.assertEqual((code, window_seen), (0, False), parameters)

    def wait_for_batch(self, folder, timeout=60):
        """Waits until the batch has moved "qx1e.qx" into the place of the deleted applet. Its
        last step, deleting itself, cannot succeed under Wine (see harness.end_batches): the
        test checks that the batch reached that step, ends it and removes the file for it."""
        deadline = time.monotonic() + timeout
        def done():
            return (not os.path.exists(os.path.join(folder, "qx1e.qx")) and
                    os.path.exists(os.path.join(folder, "Applet.exe")))
        while not done():
            self.assertLess(time.monotonic(), deadline, "the batch did not replace the applet")
            time.sleep(0.2)
        harness.end_batches(folder)
        batch = os.path.join(folder, "qx1e.bat")
        if os.path.exists(batch):
            os.remove(batch)

    def assert_no_batch(self, folder):
        self.assertFalse(os.path.exists(os.path.join(folder, "qx1e.bat")))
        self.assertFalse(os.path.exists(os.path.join(folder, "qx1e.qx")))

    # --- strip: "/emptyqx00#13/#10"

    def test_strip_of_a_bare_stub_writes_nothing(self):
        folder = self.folder()
        path = os.path.join(folder, "applet.exe")
        with open(path, "wb") as f:
            f.write(self.stub)
        self.run_applet(path, "/emptyqx00#13/#10")
        self.assertEqual(sorted(os.listdir(folder)), ["applet.exe"])

    def test_strip_replaces_the_applet_with_its_stub(self):
        for folder_name in ("strip plain", "strip Disc 100% & more"):
            with self.subTest(folder=folder_name):
                folder = self.folder(folder_name)
                path = self.applet_with(folder, ["qxorig.qx", "RwLib.dll"])
                self.run_applet(path, "/emptyqx00#13/#10")
                self.wait_for_batch(folder)
                self.assertEqual(sorted(os.listdir(folder)), ["Applet.exe"])
                with open(os.path.join(folder, "Applet.exe"), "rb") as f:
                    self.assertEqual(f.read(), self.stub)

    # --- build: "/max#13/#10", "/Now#13/#10", "/#13/#10"

    def build(self, switches, present=SUPPORT):
        folder = self.folder()
        path = os.path.join(folder, "Burn Me.exe")
        with open(path, "wb") as f:
            f.write(self.stub)
        self.support_files(folder, present)
        self.run_applet(path, switches)
        self.wait_for_batch(folder)
        return folder

    def test_build_packs_the_support_files_and_replaces_the_applet(self):
        cases = [
            ("/max#13/#10", SUPPORT, SUPPORT, "LH5", []),
            ("/MAX#13/#10 /Now#13/#10", SUPPORT, SUPPORT[:4], "LH5", ["qxi9cd.qx"]),
            ("/#13/#10", SUPPORT, SUPPORT, "RLE", []),
            ("/max#13/#10", ["W2kXP03.qx", "RwLib.dll", "qxi9cd.qx"],
             ["W2kXP03.qx", "RwLib.dll", "qxi9cd.qx"], "LH5", []),
        ]
        for switches, present, packed, method, left in cases:
            with self.subTest(switches=switches, present=present):
                folder = self.build(switches, present)
                self.assertEqual(sorted(os.listdir(folder)), sorted(["Applet.exe"] + left))
                applet = os.path.join(folder, "Applet.exe")
                with open(applet, "rb") as f:
                    self.assertEqual(f.read(STUB_SIZE), self.stub)
                self.assertEqual(members(applet), [(name, method) for name in packed])
                out = os.path.join(folder, "out")
                subprocess.run([QXARC, "x", "--at", str(STUB_SIZE), "-d", out, applet], check=True,
                               timeout=60, stdout=subprocess.DEVNULL)
                for name in packed:
                    with open(os.path.join(out, name), "rb") as f:
                        self.assertEqual(f.read(), content(name, "new"))

    def tearDown(self):
        # A batch left running by a failed test would spin until the prefix is stopped.
        harness.end_batches(self.work)

    def test_build_on_bytes_that_are_not_an_archive_changes_nothing(self):
        folder = self.folder()
        path = os.path.join(folder, "Burn Me.exe")
        image = self.stub + b"\x01not an archive" * 100
        with open(path, "wb") as f:
            f.write(image)
        self.support_files(folder)
        self.run_applet(path, "/max#13/#10")
        time.sleep(1)  # a batch started by mistake would have begun deleting by now
        self.assert_no_batch(folder)
        self.assertEqual(sorted(os.listdir(folder)), sorted(["Burn Me.exe"] + SUPPORT))
        with open(path, "rb") as f:
            self.assertEqual(f.read(), image)

    # --- unpack all: "/spawnqx00#13/#10"

    def test_unpack_all_writes_every_member_and_wins_over_strip(self):
        for switches in ("/spawnqx00#13/#10", "/emptyqx00#13/#10 /spawnqx00#13/#10"):
            with self.subTest(switches=switches):
                folder = self.folder()
                names = SUPPORT + ["qxc.qx"]
                path = self.applet_with(folder, names)
                self.run_applet(path, switches)
                self.assert_no_batch(folder)
                self.assertEqual(sorted(os.listdir(folder)), sorted(["Burn Me.exe"] + names))
                for name in names:
                    with open(os.path.join(folder, name), "rb") as f:
                        self.assertEqual(f.read(), content(name, "old"))

    # --- a session's start

    def session_unpack(self, folder, path):
        """Starts a session, waits until the banner shows that unpacking is over, then ends it."""
        args, env = self.wine.exec_args(f'"{windows_path(path)}"', 120000)
        running = self.wine.start(args, extra_env=env)
        try:
            self.assertEqual(self.wine.probe("wait-window", 30000, timeout=90).returncode, 0)
            waited = self.wine.probe("wait-memo", BANNER, 30000, timeout=90)
            self.assertEqual(waited.returncode, 0, waited.stdout)
            return self.wine.probe("memo").stdout
        finally:
            self.wine.probe("kill")
            running.wait(60)

    def test_session_unpacks_the_support_files(self):
        folder = self.folder()
        path = self.applet_with(folder, SUPPORT, method="lh5")
        with open(os.path.join(folder, "qxorig.qx"), "w") as f:
            f.write("stale\n[TITLE]\nTitle=Stale Title\n")
        self.session_unpack(folder, path)
        aspi = aspi_copy(folder, "W2kXP03.qx")
        for name in ["qxorig.qx", "RwLib.dll", "DEVICES.DEF", aspi]:
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), content(name if name != aspi else "W2kXP03.qx", "old"), name)
        self.assertFalse(os.path.exists(os.path.join(folder, "qxi9cd.qx")))
        self.assertEqual(dos_attributes(os.path.join(folder, "RwLib.dll")), HIDDEN)
        self.assertEqual(dos_attributes(os.path.join(folder, aspi)), HIDDEN)
        self.assertFalse(dos_attributes(os.path.join(folder, "DEVICES.DEF")) & HIDDEN)

    def test_session_without_a_project_description_unpacks_the_rest(self):
        # A read-only copy left from an earlier run must not pass for this payload's either.
        for mode in (0o644, 0o444):
            with self.subTest(mode=oct(mode)):
                folder = self.folder()
                path = self.applet_with(folder, ["RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"])
                old = os.path.join(folder, "qxorig.qx")
                with open(old, "w") as f:
                    f.write("from an earlier run\n[TITLE]\nTitle=Old\n")
                os.chmod(old, mode)
                memo = self.session_unpack(folder, path)
                self.assertFalse(os.path.exists(old))
                self.assertNotIn('"Old"', memo)
                for name in ["RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"]:
                    self.assertTrue(os.path.exists(os.path.join(folder, name)), name)

    def test_session_after_a_killed_one_replaces_its_left_behind_files(self):
        # A session that is killed leaves its support files behind, two of them hidden; the next
        # start of an applet in that folder (here rebuilt with new files and a new title) must
        # run with its own copies, not with the stale ones.
        folder = self.folder()
        names = ["RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"]
        for tag, title in (("first", "First Run"), ("second", "Second Run")):
            source = self.folder(f"{os.path.basename(folder)}-{tag}")
            with open(os.path.join(source, "qxorig.qx"), "w") as f:
                f.write(f"Vonnel Disc Author 6.0\r\n[TITLE]\r\nTitle={title}\r\n")
            self.support_files(source, names, tag)
            archive = os.path.join(source, "p.kelv")
            subprocess.run([QXARC, "c", "-m", "lh5", "-C", source, archive] +
                           [os.path.join(source, n) for n in ["qxorig.qx"] + names],
                           check=True, timeout=60, stdout=subprocess.DEVNULL)
            path = os.path.join(folder, "applet.exe")
            with open(path, "wb") as out, open(archive, "rb") as payload:
                out.write(self.stub + payload.read())
            if tag == "second":
                left = {name: dos_attributes(os.path.join(folder, aspi_copy(folder, name)))
                        for name in names}
                self.assertEqual((left["RwLib.dll"], left["W2kXP03.qx"]), (HIDDEN, HIDDEN),
                                 "the killed session left no hidden support files")
                # A copy made read-only on the way counts as left behind too.
                os.chmod(os.path.join(folder, "qxorig.qx"), 0o444)
                os.chmod(os.path.join(folder, "DEVICES.DEF"), 0o444)
            memo = self.session_unpack(folder, path)
        self.assertIn('"Second Run"', memo)
        self.assertNotIn('"First Run"', memo)
        for name in names:
            with open(os.path.join(folder, aspi_copy(folder, name)), "rb") as f:
                self.assertEqual(f.read(), content(name, "second"), name)
        self.assertEqual(dos_attributes(os.path.join(folder, "RwLib.dll")), HIDDEN)
        self.assertEqual(dos_attributes(os.path.join(folder, aspi_copy(folder, "W2kXP03.qx"))),
                         HIDDEN)

    def test_session_shows_the_project_title(self):
        folder = self.folder()
        source = self.folder(os.path.basename(folder) + "-title")
        with open(os.path.join(source, "qxorig.qx"), "w") as f:
            f.write("Vonnel Disc Author 6.0\r\n[TITLE]\r\nTitle=Summer Holiday\r\n")
        with open(os.path.join(source, "qxi9cd.qx"), "wb") as f:
            f.write(content("qxi9cd.qx", "old") * 3)  # the payload must pass 1,024 bytes
        archive = os.path.join(source, "p.kelv")
        subprocess.run([QXARC, "c", "-m", "rle", "-C", source, archive, os.path.join(source, "qxorig.qx"),
                        os.path.join(source, "qxi9cd.qx")], check=True, timeout=60, stdout=subprocess.DEVNULL)
        path = os.path.join(folder, "applet.exe")
        with open(path, "wb") as out, open(archive, "rb") as payload:
            out.write(self.stub + payload.read())
        memo = self.session_unpack(folder, path)
        self.assertIn('"Summer Holiday"', memo)


if __name__ == "__main__":
    unittest.main()
