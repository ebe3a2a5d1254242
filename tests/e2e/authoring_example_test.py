"""The integrator's guide's example authoring program (doc/examples/authoring_example.c) under Wine,
against the image recorder: it packs an applet with qxarc.exe, fills in the registry, starts the
applet with CreateProcess and reads the outcome. Run here as an authoring program's user would: the
window is driven by uiprobe, once to a completed disc and once cancelled during the checks. What the
example prints is checked against the registry, the folder and the recorded image, so that the
guide's contract (doc/authoring.md) and the applet cannot drift apart."""
import os
import shutil
import subprocess
import sys
import unittest

import harness
import session_test as st

sys.path.insert(0, os.path.join(st.ROOT, "standins", "authoring"))
import authoring  # noqa: E402

ARCH = st.ARCH
EXAMPLE = os.path.join(harness.BIN, "authoring_example.exe")
BROWSER = os.path.join(harness.BIN, "browser.exe")
COVER = harness.text("IDS_BURN_COVER_SHEET")
SUPPORT = ("applet.exe", "qxarc.exe", "RwLib.dll", "W2kXP03.qx")
# A session's end: the history, the report, the 2.4 s pause, the batch.
IDLE_S = 180


def make_project(folder):
    """A small project: a nested folder, a text and a binary file."""
    files = {"Read me.txt": b"An example project.\r\n" * 40,
             "Pictures/Cabin at the lake.bin": bytes(range(256)) * 64}
    for rel, data in files.items():
        path = os.path.join(folder, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return sum(len(data) for data in files.values())


def drive_c_path(host_path):
    return "C:\\" + os.path.relpath(host_path, os.path.join(harness.PREFIX, "drive_c")).replace("/", "\\")


class AuthoringExampleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder(f"authoring_example_{ARCH}")
        # The browser stand-in takes the results address and the cover sheet: nothing of the
        # host opens.
        browser_dir = os.path.join(harness.PREFIX, "drive_c", "Browser")
        os.makedirs(browser_dir, exist_ok=True)
        shutil.copyfile(BROWSER, os.path.join(browser_dir, "browser.exe"))
        authoring.write_registry(harness.PREFIX, {}, 120,
                                 browser=drive_c_path(os.path.join(browser_dir, "browser.exe")))

    def run_example(self, name, finish):
        """Runs the example for a fresh applet folder and project; `finish` drives the window.
        Returns the example's exit code, what it printed, and the folders."""
        base = os.path.join(harness.PREFIX, "drive_c", "example", f"{ARCH}-{name}")
        shutil.rmtree(base, ignore_errors=True)
        support, project, applet_dir = (os.path.join(base, n) for n in ("support", "Project", "Burn"))
        for folder in (support, applet_dir):
            os.makedirs(folder)
        for member in SUPPORT:
            shutil.copyfile(os.path.join(harness.BIN, member), os.path.join(support, member))
        # An empty recorder configuration: a healthy recorder with a blank disc.
        open(os.path.join(support, "DEVICES.DEF"), "w").close()
        size = make_project(project)
        # A fresh history, so that the counters read back are this session's alone.
        self.wine.run(["reg", "delete", st.KEY, "/f"], timeout=60)
        env = {"WINEDLLOVERRIDES": self.wine.env["WINEDLLOVERRIDES"] + ";wnaspi32=n"}
        running = self.wine.start([EXAMPLE] + [drive_c_path(p) for p in (support, project, applet_dir)],
                                  extra_env=env)
        try:
            self.assertEqual(self.wine.probe("wait-window", st.WAIT_MS).returncode, 0,
                             "the applet's window did not open")
            finish()
            result = running.wait(st.SESSION_MS / 1000)
        finally:
            if running.poll() is None:
                self.wine.probe("kill")
                running.kill()
        self.assertTrue(harness.wait_idle(IDLE_S), "the prefix did not idle after the session")
        printed = dict(line.strip().split("=", 1) for line in result.stdout.splitlines() if "=" in line)
        self.assertEqual(printed.get("PROJECT_SIZE"), str(size), result.stdout + result.stderr)
        self.assertEqual(printed.get("QXARC_EXIT"), "0", result.stdout + result.stderr)
        return result.returncode, printed, applet_dir, project

    def registry(self):
        return st.parse_registry(self.wine.run(["reg", "query", st.KEY], timeout=60).stdout)

    def press_after(self, text):
        def finish():
            self.assertEqual(self.wine.probe("wait-memo", text, st.SESSION_MS).returncode, 0,
                             self.wine.probe("memo").stdout)
            self.assertEqual(self.wine.probe("press", "right").returncode, 0)
        return finish

    def test_sessions(self):
        # (case, press the right button once the memo holds, exit code, BBResult, PriorBurnWasGood,
        #  TAOModeSuccess, the applet left in its folder, a recorded image)
        cases = [
            ("completed", COVER, 0, "0", "1", "1", "no", True),
            ("cancelled", st.BANNER, 1, "1", "0", "0", "yes", False),
        ]
        for name, text, code, result, good, successes, left, image in cases:
            with self.subTest(name):
                exit_code, printed, applet_dir, project = self.run_example(name, self.press_after(text))
                self.assertEqual(exit_code, code, printed)
                self.assertEqual(printed.get("APPLET_EXIT"), str(code))
                # What the example read back is what the registry holds.
                stored = self.registry()
                for value, expected in (("BBResult", result), ("PriorBurnWasGood", good),
                                        ("TAOModeSuccess", successes)):
                    self.assertEqual(printed.get(value), expected, printed)
                    self.assertEqual(stored.get(value), expected, stored)
                self.assertEqual(printed.get("APPLET_LEFT"), left)
                self.assertEqual(os.path.exists(os.path.join(applet_dir, "Burn My Disc.exe")), left == "yes")
                # The support files and the project description are gone in both cases.
                for member in ("qxorig.qx", "RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"):
                    self.assertFalse(os.path.exists(os.path.join(applet_dir, member)), member)
                disc = os.path.join(applet_dir, "disc.iso")
                self.assertEqual(os.path.exists(disc), image)
                if image:
                    extracted = os.path.join(self.work, f"{name}-image")
                    subprocess.run(["7z", "x", "-y", f"-o{extracted}", disc], check=True,
                                   stdout=subprocess.DEVNULL, timeout=120)
                    diff = subprocess.run(["diff", "-r", project, extracted], capture_output=True, text=True)
                    self.assertEqual(diff.returncode, 0, diff.stdout + diff.stderr)


if __name__ == "__main__":
    unittest.main()
