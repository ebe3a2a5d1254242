"""The session window as a person meets it when the session has started on an applet whose
payload is damaged, so that the first check stops it: what it shows, and that a close from
outside does not end it."""
import os
import shutil
import unittest

import harness
from harness import MIN_APPLET_SIZE, Wine, windows_path


class SessionWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = Wine()
        folder = harness.work_folder("window")
        path = os.path.join(folder, "applet.exe")
        shutil.copyfile(os.path.join(harness.BIN, "applet.exe"), path)
        with open(path, "r+b") as f:
            f.truncate(MIN_APPLET_SIZE)
        args, env = cls.wine.exec_args(f'"{windows_path(path)}"', 300000)
        cls.running = cls.wine.start(args, extra_env=env)
        shown = cls.wine.probe("wait-window", 30000, timeout=90)
        if shown.returncode != 0:
            cls.running.kill()
            raise AssertionError("the session window did not open")
        # The session starts on the first activation; the banner follows the unpacking.
        started = cls.wine.probe("wait-memo", "Required files are missing!", 30000, timeout=90)
        if started.returncode != 0:
            cls.running.kill()
            raise AssertionError("the session did not start")

    @classmethod
    def tearDownClass(cls):
        cls.wine.probe("kill")
        cls.running.wait(60)

    def assert_still_open(self):
        # The window must outlive a generous time-out for going away.
        gone = self.wine.probe("wait-gone", 2000)
        self.assertEqual(gone.returncode, 2, "the window went away")
        self.assertIsNone(self.running.poll(), "the applet ended")

    def test_memo_opens_with_the_notice_and_disclaimer(self):
        memo = self.wine.probe("memo")
        self.assertEqual(memo.returncode, 0)
        lines = memo.stdout.split("\r\n")
        self.assertEqual(lines[0], "_" * 29)
        self.assertIn("Disclaimer of Warranty", lines)
        disclaimer = lines[lines.index("Disclaimer of Warranty") + 1]
        self.assertEqual(disclaimer, disclaimer.upper())
        # The prefill ends with a rule, six empty lines and a blank; the session's banner and the
        # required-files report follow.
        self.assertEqual(lines[-13:], ["_" * 29, "", "", "", "", "", "", " ",
                                       "DVD/CD Ravelle with Vonnel", "", "",
                                       "*** Required files are missing!  Press OK/Cancel to exit now.",
                                       ""])

    def test_waiting_for_memo_text(self):
        self.assertEqual(self.wine.probe("wait-memo", "Disclaimer of Warranty\\r\\n", 5000).returncode, 0)
        self.assertEqual(self.wine.probe("wait-memo", "not in the memo", 300).returncode, 2)

    def test_buttons_and_gauges_once_the_session_runs(self):
        # "Please Wait" gave way to "&Cancel" and then to the failed check's "&OK"; unpacking
        # advanced the preparation gauge by 15.
        state = self.wine.probe("state").stdout.splitlines()
        self.assertEqual(state, ["window: visible", 'left: "&Help" enabled',
                                 'right: "&OK" enabled', "gauge-left: 15/100",
                                 "gauge: 0/100"])

    def test_close_requests_from_outside_are_refused(self):
        self.assertEqual(self.wine.probe("close").returncode, 0)
        self.assert_still_open()


if __name__ == "__main__":
    unittest.main()
