"""The applet's entry procedure under Wine: which run mode a start selects from its switches and
its own file size, and what each mode leaves behind."""
import os
import shutil
import time
import unittest

import harness
from harness import MIN_APPLET_SIZE, STUB_SIZE, Wine, windows_path

MAX_APPLET_SIZE = 2147483647
LORVANE_KEY = r"HKCU\Software\Lorvane"
# Long enough for any start under Wine; a run that has not ended by then has a window open.
END_MS = 30000
# The session's first memo line, by id from the text table.
BANNER = harness.text("IDS_PRODUCT_BANNER").rstrip("\r\n")


def snapshot(folder):
    """Every file below the folder with its size and modification time."""
    found = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            info = os.stat(path)
            found[os.path.relpath(path, folder)] = (info.st_size, info.st_mtime_ns)
    return found


class EntryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = Wine()
        cls.work = harness.work_folder("entry")
        cls.stub = os.path.join(harness.BIN, "applet.exe")
        assert os.path.getsize(cls.stub) == STUB_SIZE

    def applet(self, size, name="applet.exe"):
        """A copy of the stub padded with zero bytes to `size`, alone in a folder of its own."""
        folder = os.path.join(self.work, f"{self.id().split('.')[-1]}-{size}-{time.monotonic_ns()}")
        os.makedirs(folder)
        path = os.path.join(folder, name)
        shutil.copyfile(self.stub, path)
        with open(path, "r+b") as f:
            f.truncate(size)
        return path

    def command_line(self, path, parameters):
        return f'"{windows_path(path)}" {parameters}'.rstrip()

    def assert_ends_without_trace(self, path, parameters):
        """The start ends by itself with exit code 0, shows no window of the applet, and leaves
        no file and no registry key behind."""
        # Sessions and previews of other tests leave the history key behind.
        self.wine.run(["reg", "delete", LORVANE_KEY, "/f"])
        before = snapshot(os.path.dirname(path))
        code, window_seen = self.wine.exec_line(self.command_line(path, parameters), END_MS)
        self.assertEqual(code, 0, f"{parameters!r}: did not end with 0 (None = still running)")
        self.assertFalse(window_seen, f"{parameters!r}: a window was shown")
        self.assertEqual(snapshot(os.path.dirname(path)), before, f"{parameters!r}: files changed")
        self.assertFalse(self.wine.reg_key_exists(LORVANE_KEY), f"{parameters!r}: registry key")

    def assert_opens_session(self, path, parameters):
        """The start opens the session window and keeps running; the test then ends it."""
        args, env = self.wine.exec_args(self.command_line(path, parameters), 120000)
        running = self.wine.start(args, extra_env=env)
        try:
            shown = self.wine.probe("wait-window", 30000, timeout=90)
            self.assertEqual(shown.returncode, 0, f"{parameters!r}: no window")
            # The session starts on the first activation and shows the banner.
            started = self.wine.probe("wait-memo", BANNER, 30000, timeout=90)
            self.assertEqual(started.returncode, 0, f"{parameters!r}: the session did not start")
            # The payload holds no project description: the first check stops the session.
            stopped = self.wine.probe("wait-memo", "Required files are missing!", 30000, timeout=90)
            self.assertEqual(stopped.returncode, 0, f"{parameters!r}: the checks did not run")
            state = self.wine.probe("state").stdout
            self.assertIn("window: visible", state)
            self.assertIn('right: "%s" enabled' % harness.text("IDS_BUTTON_OK"), state)
            self.assertIn('left: "%s" enabled' % harness.text("IDS_BUTTON_HELP"), state)
            self.assertIsNone(running.poll(), f"{parameters!r}: the session ended by itself")
        finally:
            self.wine.probe("kill")
            result = running.wait(60)
        code, window_seen = harness.parse_exec(result)
        self.assertTrue(window_seen)
        self.assertEqual(code, 99)  # the exit code uiprobe kill gives: the session did not end by itself

    def test_files_too_small_for_a_payload_end_at_once(self):
        for size in (STUB_SIZE, MIN_APPLET_SIZE - 1):
            with self.subTest(size=size):
                self.assert_ends_without_trace(self.applet(size), "")

    def test_largest_applet_still_opens_a_session(self):
        # Sparse files: the size is what counts, not the disc space.
        self.assert_opens_session(self.applet(MAX_APPLET_SIZE), "")

    def test_files_beyond_the_largest_applet_end_at_once(self):
        self.assert_ends_without_trace(self.applet(MAX_APPLET_SIZE + 1), "")

    def test_bare_stub_exit_code_reaches_wine(self):
        path = self.applet(STUB_SIZE)
        result = self.wine.run([path], timeout=60)
        self.assertEqual(result.returncode, 0)

    def test_smallest_applet_opens_the_session_window(self):
        self.assert_opens_session(self.applet(MIN_APPLET_SIZE), "")

    def test_maintenance_switches_in_any_letter_case_end_without_window(self):
        # On a file big enough for a session: the switch, not the size, decides.
        switches = ["/MAX#13/#10", "/max#13/#10", "/now#13/#10", "/#13/#10",
                    "/SpawnQX00#13/#10", "/EMPTYqx00#13/#10",
                    # position and repetition don't matter; unknown parameters are ignored
                    "unknown /Now#13/#10 /Now#13/#10"]
        for switch in switches:
            with self.subTest(switch=switch):
                # A folder each: a strip of a big file goes on to replace it through its batch.
                path = self.applet(MIN_APPLET_SIZE)
                code, window_seen = self.wine.exec_line(self.command_line(path, switch), END_MS)
                harness.end_batches(os.path.dirname(path))
                self.assertEqual(code, 0)
                self.assertFalse(window_seen)

    def test_maintenance_switch_works_on_the_bare_stub(self):
        code, window_seen = self.wine.exec_line(
            self.command_line(self.applet(STUB_SIZE), "/emptyqx00#13/#10"), END_MS)
        self.assertEqual((code, window_seen), (0, False))

    def test_quoted_switches_are_recognised(self):
        path = self.applet(MIN_APPLET_SIZE)
        for switch in ('"/MAX#13/#10"', '/max"#13"/#10', '"/spawnqx00#13/#10'):
            with self.subTest(switch=switch):
                code, window_seen = self.wine.exec_line(self.command_line(path, switch), END_MS)
                self.assertEqual((code, window_seen), (0, False))

    def test_near_misses_select_nothing(self):
        path = self.applet(MIN_APPLET_SIZE)
        for parameters in ("/MAX", "-max#13/#10", "/max#13/#10x", "/max #13/#10"):
            with self.subTest(parameters=parameters):
                self.assert_opens_session(path, parameters)

    def test_show_with_a_maintenance_switch_is_maintenance(self):
        for size in (STUB_SIZE, MIN_APPLET_SIZE):
            with self.subTest(size=size):
                code, window_seen = self.wine.exec_line(
                    self.command_line(self.applet(size), "/show /spawnqx00#13/#10"), END_MS)
                self.assertEqual((code, window_seen), (0, False))

    def test_show_previews_the_window_for_five_seconds(self):
        path = self.applet(STUB_SIZE)
        args, env = self.wine.exec_args(self.command_line(path, "/SHOW"), END_MS)
        started = time.monotonic()
        running = self.wine.start(args, extra_env=env)
        try:
            shown = self.wine.probe("wait-window", 20000, timeout=60)
            self.assertEqual(shown.returncode, 0, "the preview window did not appear")
            result = running.wait(60)
        finally:
            running.kill()
        elapsed = time.monotonic() - started
        code, window_seen = harness.parse_exec(result)
        self.assertEqual(code, 0)
        self.assertTrue(window_seen)
        self.assertGreaterEqual(elapsed, 5.0)
        self.assertEqual(self.wine.probe("exists").returncode, 1, "the window outlived the preview")


class HarnessTest(unittest.TestCase):
    def test_registry_reader_sees_a_key_that_exists(self):
        wine = Wine()
        key = r"HKCU\Software\QxHarnessProbe"
        self.assertEqual(wine.run(["reg", "add", key, "/v", "x", "/d", "1", "/f"]).returncode, 0)
        try:
            self.assertTrue(wine.reg_key_exists(key))
        finally:
            wine.run(["reg", "delete", key, "/f"])
        self.assertFalse(wine.reg_key_exists(key))


if __name__ == "__main__":
    unittest.main()
