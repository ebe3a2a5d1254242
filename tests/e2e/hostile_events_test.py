"""Sessions under Wine that other programs send messages to while they run, one table row per
event, each row naming the promise it checks. The applets are the authoring stand-in's, the
recorder the image recorder; uiprobe posts or sends the messages from its own process.

Every row checks, once the session has ended: the exit code and `BBResult` agree with each other
and with the memo's last words; the history was written; the applet's process and window are gone
within the harness's bounded waits; the files of a folder outside the project are byte-identical.

Rows (message, when: promise):
  WM_QUIT, before the write       (rests in step 9, no project named): ends as cancelled, 1
  WM_QUIT, during the write       the write is aborted, the session ends as cancelled, 1, one
                                  failure counted, no finished disc
  WM_QUIT, after the write        (disc completed, "&OK" not pressed): no success, 1, the applet
                                  stays
  WM_QUIT, erase question         ends as cancelled, 1, nothing erased
  log-off query, outside the write  agreed (answer 1), ends as cancelled, 1
  during the write: log-off query, WM_CLOSE, 1124 and 1125 with any values
                                  the query is refused (answer 0), the close changes nothing, the
                                  burn messages change nothing: the disc completes and the press
                                  of "&OK" ends with 0, the memo as the worker wrote it
  1124 and 1125 at rest, any values (0, 1, invalid pointers, a real pointer into the applet)
                                  memo and gauge unchanged, no crash; the press ends with 2
"""
import hashlib
import os
import time
import unittest

import harness
import recording_session_test as rs
import session_test as st

WM_CLOSE = 0x0010
WM_QUIT = 0x0012
WM_BURNPROGRESS = 1124
WM_BURNTEXT = 1125
# Values a stranger may put in the burn messages: nothing, small numbers, addresses nobody maps,
# the top of the address space.
JUNK = [("0", "0"), ("0", "1"), ("7", "0xdeadbeef"), ("-1", "-1"), ("0x7fffffff", "0x10"),
        ("0", "0x7ffffffffff0" if harness.ARCH == "win64" else "0x7ffffff0")]


def tree_digest(folder):
    """Every file under the folder with the digest of its bytes."""
    digest = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                digest[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return digest


class HostileEventsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder("hostile_events")
        # A folder beside the projects, outside every one of them, that no session may touch.
        cls.outside = os.path.join(harness.PREFIX, "drive_c", "recording", f"{rs.ARCH}-outside")
        os.makedirs(cls.outside, exist_ok=True)
        for i in range(3):
            with open(os.path.join(cls.outside, f"keep{i}.txt"), "wb") as f:
                f.write(os.urandom(4096))

    def setUp(self):
        self.session = None
        self.recording = rs.RecordingSessionTest()
        self.recording.wine, self.recording.work = self.wine, self.work
        self.outside_before = tree_digest(self.outside)

    def tearDown(self):
        if self.session:
            self.session.kill()
            harness.end_batches(self.session.folder)

    def start(self, name, **options):
        self.session = rs.TRecording(self.recording, name, **options)
        self.session.wait_window()
        return self.session

    def probe(self, *args):
        return self.session.probe(*args)

    def follow(self, limit_s=90):
        """Reads the memo until the window goes; the session's last words. A session that does not
        end within the limit fails the row."""
        s = self.session
        deadline = time.monotonic() + limit_s
        while True:
            self.assertLess(time.monotonic(), deadline, "the session did not end")
            text = s.probe("memo")
            if text.returncode != 0:
                return s.memo_text
            s.memo_text = text.stdout

    def wait_writing(self):
        """Waits until the write runs: the bar's first step has come."""
        s = self.session
        s.wait_memo(rs.DONT_DISTURB)
        deadline = time.monotonic() + 60
        while s.state()["gauge"].startswith("0/"):
            self.assertLess(time.monotonic(), deadline, "the write did not begin")
            time.sleep(0.3)
        self.assertEqual(s.state()["right"], '"&Cancel" disabled')

    def assert_ended(self, code, memo, cancelled, exit_checked=False):
        """The promise every row checks once the session has ended with `code`."""
        s = self.session
        if not exit_checked:
            self.assertEqual(s.exit_code(), code)
        self.assertEqual(s.probe("exists").returncode, 1, "the window outlived the session")
        history = s.registry()
        self.assertEqual(history.get("BBResult"), str(code), "the history was not written")
        self.assertEqual(st.CANCELLED in memo, cancelled, memo[-400:])
        self.assertEqual(rs.COMPLETED in memo and code == 0, code == 0)
        self.assertEqual(tree_digest(self.outside), self.outside_before)
        harness.end_batches(s.folder)
        self.session = None
        return history

    # --- WM_QUIT

    def test_quit_before_during_after_the_write_and_at_the_erase_question(self):
        rows = [
            # (name, start options, how to reach the moment, exit code, cancel line)
            ("before the write", dict(options=("--folder-path=",)),
             lambda s: (s.wait_memo(st.PROBLEM), s.wait_right("&Cancel")), 1, True),
            ("during the write", dict(files=12, devices="[Write]\nSectorsPerSecond=10\n"),
             lambda s: self.wait_writing(), 1, True),
            ("after the write", dict(),
             lambda s: (s.wait_memo(rs.COVER), s.wait_right("&OK")), 1, True),
            ("erase question", dict(devices="[Disc]\nMediaType=2\nErasable=1\n", disc=True),
             lambda s: s.wait_memo(st.ERASE_QUESTION), 1, True),
        ]
        for name, options, reach, code, cancelled in rows:
            with self.subTest(row=name):
                s = self.start("quit-" + name.replace(" ", "-"), **options)
                reach(s)
                self.assertEqual(self.probe("post", WM_QUIT, 0, 0).returncode, 0)
                memo = self.follow()
                history = self.assert_ended(code, memo, cancelled)
                names = st.names(s.calls())
                if name == "during the write":
                    self.assertEqual(history.get("TAOModeFail"), "1")
                    self.assertTrue(s.project_unchanged())
                    extracted = s.extract_image() if os.path.exists(s.image()) else None
                    if extracted:
                        self.assertFalse(rs.subprocess.run(
                            ["diff", "-r", s.paths["PROJECT"], extracted],
                            capture_output=True).returncode == 0, "an aborted write left a disc")
                if name == "after the write":
                    self.assertEqual(history.get("TAOModeSuccess"), "1")
                    self.assertTrue(os.path.exists(s.paths["APPLET"]), "the applet went without the OK")
                if name == "erase question":
                    self.assertNotIn("BlankDisc", names)

    # --- the system's log-off

    def test_log_off_outside_the_write_ends_as_cancelled(self):
        s = self.start("logoff-outside", options=("--folder-path=",))
        s.wait_memo(st.PROBLEM)
        s.wait_right("&Cancel")
        self.assertEqual(self.probe("end-session").stdout.split("\n")[0].strip(), "answer 1")
        memo = self.follow()
        self.assert_ended(1, memo, True)

    def test_during_the_write_outside_messages_change_nothing(self):
        s = self.start("write-events", files=12, devices="[Write]\nSectorsPerSecond=40\n")
        self.wait_writing()
        self.assertEqual(self.probe("end-session").stdout.split("\n")[0].strip(), "answer 0")
        self.assertEqual(self.probe("send", WM_CLOSE, 0, 0).stdout.strip(), "answer 0")
        self.assertEqual(self.probe("close").returncode, 0)
        for wparam, lparam in JUNK:
            self.assertEqual(self.probe("send", WM_BURNTEXT, wparam, lparam).returncode, 0)
            self.assertEqual(self.probe("send", WM_BURNPROGRESS, wparam, lparam).returncode, 0)
        self.assertEqual(self.probe("burn-text", "stranger's text").returncode, 0)
        self.assertIsNone(s.running.poll(), "the applet ended during the write")
        memo = self.recording.finish_success(s)
        self.assertNotIn("stranger's text", memo)
        # Between the worker's lines only the worker's: the estimate, the completion.
        self.assertEqual(memo.count(rs.DONT_DISTURB), 1)
        self.assert_ended(0, s.memo_text, False, exit_checked=True)

    # --- the burn messages at rest

    def test_burn_messages_from_outside_change_nothing(self):
        s = self.start("burn-messages", options=("--omit", "qxorig.qx"))
        s.wait_memo(st.MISSING_FILES)
        s.wait_right("&OK")
        memo, state = s.memo(), s.state()
        for wparam, lparam in JUNK:
            self.assertEqual(self.probe("send", WM_BURNTEXT, wparam, lparam).stdout.strip(), "answer 0")
            self.assertEqual(self.probe("post", WM_BURNTEXT, wparam, lparam).returncode, 0)
            self.assertEqual(self.probe("send", WM_BURNPROGRESS, wparam, lparam).stdout.strip(),
                             "answer 0")
        for position, maximum in ((50, 200), (300, 400), (30, 20)):
            self.assertEqual(self.probe("burn-progress", position, maximum).returncode, 0)
        self.assertEqual(self.probe("burn-text", "Writing track 1\\r\\nof 1").returncode, 0)
        self.assertIsNone(s.running.poll(), "the applet ended")
        self.assertEqual(s.memo(), memo)
        self.assertEqual(s.state(), state)
        final = s.press_and_follow("right")
        self.assertEqual(self.assert_ended(2, final, False).get("BBResult"), "2")


if __name__ == "__main__":
    unittest.main()
