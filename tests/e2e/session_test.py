"""The session under Wine, up to the start of a recording: applets packed by the authoring stand-in,
the image recorder configured per scenario through DEVICES.DEF, the window driven from outside by
uiprobe. Every scenario checks the memo, the right button's caption, the exit code, the recorder's
call log and the registry values after the process has ended.

Recordings themselves, completed or failed, are recording_session_test's."""
import os
import re
import subprocess
import sys
import time
import unittest

import harness
from harness import Wine

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
AUTHORING = os.path.join(ROOT, "standins", "authoring", "authoring.py")
QXARC = os.path.join(os.environ.get("QX_NATIVE_BIN", ""), "qxarc")
# The build under test, for names of scratch folders.
ARCH = harness.ARCH
KEY = r"HKCU\Software\Lorvane\Ravelle\6.0"
SESSION_MS = 300000
WAIT_MS = 60000

# Texts the session shows, by id from the program's text table.
BANNER = harness.text("IDS_PRODUCT_BANNER").rstrip("\r\n")  # the memo line, without its line end
MISSING_FILES = harness.text("IDS_CHECK_REQUIRED_FILES")
NO_RECORDER = harness.text("IDS_CHECK_NO_RECORDER")
NO_METHOD = harness.text("IDS_SESSION_NO_METHOD")
NO_BLANK = harness.text("IDS_CHECK_NO_BLANK_DISC")
ERASE_QUESTION = harness.text("IDS_ERASE_QUESTION")
ERASING = harness.text("IDS_ERASE_STARTED")
ERASED = harness.text("IDS_ERASE_SUCCESS")
PROBLEM = harness.text("IDS_SESSION_PROBLEM")
CANCELLED = harness.text("IDS_SESSION_CANCELING")
RECORDER = harness.text("IDS_CHECK_RECORDER") + " QX Image Recorder"
OK = harness.text("IDS_BUTTON_OK")
CANCEL = harness.text("IDS_BUTTON_CANCEL")


def quoted(name):
    """A caption by id as the probe shows it, in double quotes."""
    return '"%s"' % harness.text(name)

LOG = "[Log]\nPath=calls.log\n"


def parse_log(text):
    """(name, arguments, result, outputs) of every call the image recorder logged."""
    calls = []
    for line in text.splitlines():
        fields = line.split("\t")
        arrow = fields.index("->")
        calls.append((fields[0], fields[1:arrow], fields[arrow + 1], fields[arrow + 2:]))
    return calls


def parse_registry(text):
    """The string values of `reg query` output, by name."""
    values = {}
    for line in text.splitlines():
        # "    NAME    REG_SZ    VALUE", the value possibly empty.
        match = re.match(r"^\s+(\S+)\s+REG_SZ(?: {4}(.*))?$", line.rstrip("\r"))
        if match:
            values[match.group(1)] = match.group(2) or ""
    return values


class TSession:
    """One applet prepared by the authoring stand-in and running under Wine."""

    def __init__(self, test, name, devices="", omit=(), folder_path=None, disc=False, params=""):
        self.test, self.wine = test, test.wine
        applet_dir = f"drive_c/session/{ARCH}-{name}"
        args = [sys.executable, AUTHORING, "--prefix", harness.PREFIX, "--bin", harness.BIN,
                "--qxarc", QXARC, "--applet-dir", applet_dir,
                "--project-dir", f"drive_c/session/{ARCH}-{name}-project", "--files", "2",
                "--reset-registry"]
        devices_file = os.path.join(test.work, f"{name}.DEF")
        with open(devices_file, "w") as f:
            f.write(devices + LOG)
        args += ["--devices", devices_file]
        for member in omit:
            args += ["--omit", member]
        if folder_path is not None:
            args += [f"--folder-path={folder_path}"]
        out = subprocess.run(args, check=True, capture_output=True, text=True, timeout=300).stdout
        self.paths = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        self.folder = self.paths["APPLET_DIR"]
        for stale in ("calls.log", "disc.iso"):
            if os.path.exists(os.path.join(self.folder, stale)):
                os.remove(os.path.join(self.folder, stale))
        if disc:
            # Any image file is a disc that is not blank.
            with open(os.path.join(self.folder, "disc.iso"), "wb") as f:
                f.write(b"\0" * 32768)
        exec_args, env = self.wine.exec_args(f'"{self.paths["APPLET_WIN"]}" {params}'.rstrip(),
                                             SESSION_MS)
        self.running = self.wine.start(exec_args, extra_env=env)
        self.memo_text = ""

    def probe(self, *args, timeout=120):
        return self.wine.probe(*args, timeout=timeout)

    def wait_window(self):
        shown = self.probe("wait-window", WAIT_MS)
        self.test.assertEqual(shown.returncode, 0, "the session window did not open")

    def wait_memo(self, text):
        found = self.probe("wait-memo", text.replace("\\", "\\\\").replace("\r", "\\r")
                           .replace("\n", "\\n"), WAIT_MS)
        self.test.assertEqual(found.returncode, 0, f"{text!r} not in the memo:\n{self.memo()}")

    def memo(self):
        self.memo_text = self.probe("memo").stdout
        return self.memo_text

    def state(self):
        lines = self.probe("state").stdout.splitlines()
        return dict(line.split(": ", 1) for line in lines if ": " in line)

    def wait_right(self, caption):
        deadline = time.monotonic() + WAIT_MS / 1000
        while self.state().get("right") != f'"{caption}" enabled':
            self.test.assertLess(time.monotonic(), deadline, f"right button never read {caption}")
            time.sleep(0.3)

    def assert_close_refused_and_autoplay_refused(self):
        """A close from outside is refused, and the shell's AutoPlay is answered 1."""
        self.test.assertEqual(self.probe("close").returncode, 0)
        self.test.assertEqual(self.probe("wait-gone", 1500).returncode, 2, "the window went away")
        self.test.assertIsNone(self.running.poll(), "the applet ended on a close request")
        self.test.assertEqual(self.probe("autoplay").stdout.strip(), "answer 1")

    def press(self, button):
        self.test.assertEqual(self.probe("press", button).returncode, 0)

    def press_watch(self, button, ms=6000):
        out = self.probe("press-watch", button, ms).stdout.splitlines()
        return [line.split(": ", 1)[1] for line in out if line.startswith("right: ")]

    def press_and_follow(self, button):
        """Presses the button and reads the memo until the window goes: the session's last
        words (such as the cancel line) show only during its final wait."""
        self.press(button)
        while True:
            text = self.probe("memo")
            if text.returncode != 0:
                return self.memo_text
            self.memo_text = text.stdout

    def exit_code(self):
        code, seen = harness.parse_exec(self.running.wait(SESSION_MS / 1000 + 60))
        self.test.assertTrue(seen)
        return code

    def calls(self):
        path = os.path.join(self.folder, "calls.log")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return parse_log(f.read())

    def registry(self):
        result = self.wine.run(["reg", "query", KEY], timeout=120)
        return parse_registry(result.stdout)

    def kill(self):
        if self.running.poll() is None:
            self.probe("kill")
            self.running.wait(60)


def names(calls):
    return [call[0] for call in calls]


def answers(calls, name):
    return [call[2] for call in calls if call[0] == name]


class SessionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = Wine()
        cls.work = harness.work_folder("session")

    def setUp(self):
        self.session = None

    def tearDown(self):
        if self.session:
            self.session.kill()

    def start(self, name, **options):
        self.session = TSession(self, name, **options)
        self.session.wait_window()
        return self.session

    # --- a check fails, the right button reads "&OK" (or stays "&Cancel"), its press ends the
    # session with the check's result code

    def check_calls_no_library(self, calls):
        self.assertEqual(calls, [])

    def check_calls_no_recorder(self, calls):
        starts = [call for call in calls if call[0] == "Start"]
        self.assertEqual(len(starts), 64)
        self.assertEqual({call[2] for call in starts}, {"23"})
        self.assertEqual(names(calls)[64:], ["GetVendorProductStrings", "GetSupportedWriteModes"])
        self.assertEqual(answers(calls, "GetVendorProductStrings"), ["11"])

    def check_calls_no_track_at_once(self, calls):
        modes = [call for call in calls if call[0] == "GetSupportedWriteModes"]
        self.assertEqual([(m[2], m[3]) for m in modes], [("1", ["0", "1", "1"])])
        self.assertEqual(answers(calls, "IsDeviceReadyEx"), ["1"])
        self.assertNotIn("WriteCdDataTaoPerList", names(calls))

    def check_calls_not_blank(self, calls):
        # The first check ejects the disc; the press loads it and asks once more.
        tail = names(calls)[names(calls).index("Unload") - 1:]
        self.assertEqual(tail, ["GetDiscInfo", "Unload", "GetDiscInfo", "Load", "GetDiscInfo"])
        self.assertEqual(answers(calls, "GetDiscInfo"), ["1", "12", "1"])
        self.assertNotIn("BlankDisc", names(calls))
        self.assertNotIn("IsDeviceReadyEx", names(calls))

    def check_calls_not_ready(self, calls):
        self.assertEqual(answers(calls, "IsDeviceReadyEx"), ["76", "76"])
        self.assertNotIn("WriteCdDataTaoPerList", names(calls))

    def check_calls_no_folder(self, calls):
        self.assertEqual(answers(calls, "GetDiscInfo"), ["1"])
        self.assertNotIn("IsDeviceReadyEx", names(calls))

    FAILURES = [
        # name, options, memo lines, caption before the press, exit code, cancel line, calls
        ("missing-files", dict(omit=["qxorig.qx"]), [MISSING_FILES], OK, 2, False,
         check_calls_no_library),
        ("no-recorder", dict(devices="[Recorder]\nPresent=0\n"),
         [harness.text("IDS_RWLIB_RESULT_23"), harness.text("IDS_RWLIB_RESULT_11"), NO_RECORDER], OK, 8,
         False, check_calls_no_recorder),
        ("no-track-at-once", dict(devices="[Recorder]\nTrackAtOnce=0\nWriteModeFlag2=1\n"
                                          "WriteModeFlag3=1\n"),
         [RECORDER, NO_METHOD], OK, 6, False, check_calls_no_track_at_once),
        ("not-blank", dict(disc=True), [RECORDER, NO_BLANK], OK, 5, False,
         check_calls_not_blank),
        ("not-ready", dict(devices="[Recorder]\nReadyAnswers=76\n"), [RECORDER, "Code 76"],
         CANCEL, 76, False, check_calls_not_ready),
        ("no-project-folder", dict(folder_path=""), [RECORDER, PROBLEM], CANCEL, 1, True,
         check_calls_no_folder),
    ]

    def test_a_failure_waits_for_the_right_button_and_ends_with_its_code(self):
        for name, options, lines, caption, code, cancel_line, check_calls in self.FAILURES:
            with self.subTest(scenario=name):
                session = self.start(name, **options)
                session.wait_memo(lines[-1])
                session.wait_right(caption)
                session.assert_close_refused_and_autoplay_refused()
                memo = session.memo()
                for line in lines:
                    self.assertIn(line, memo)
                self.assertEqual(memo.count(lines[-1]), 1)
                final = session.press_and_follow("right")
                self.assertEqual(session.exit_code(), code)
                # Only a press while the session is busy takes the cancel path with its line.
                self.assertEqual(CANCELLED in final, cancel_line)
                check_calls(self, session.calls())
                history = session.registry()
                self.assertEqual(history.get("BBResult"), str(code))
                self.assertEqual(history.get("PriorBurnWasGood"), "0" if code == 1 else "1")
                self.assertEqual(history.get("TAOModeFail"), "0")
                self.assertEqual(history.get("TAOModeSuccess"), "0")
                self.session = None

    # --- the erase question

    ERASABLE = "[Disc]\nMediaType=2\nErasable=1\n"

    def test_erase_answered_yes_erases_and_goes_on_to_the_recording(self):
        # The recording started from the erase question fails (the recorder is told to), so the
        # press finds step 5: the disc is checked once more, spoilt by the failed write now, and
        # the session ends with the kept result 7. (A recording that completes after the erase
        # is recording_session_test's.)
        # After the erase the disc reports "not ready" twice, so the session polls it.
        session = self.start("erase-yes", devices=self.ERASABLE + "NotReadyPolls=2\n"
                             "[Write]\nResult=19\n", disc=True)
        session.wait_memo(ERASE_QUESTION)
        state = session.state()
        self.assertEqual((state["left"], state["right"]),
                         (quoted("IDS_BUTTON_YES") + " enabled", quoted("IDS_BUTTON_NO") + " enabled"))
        session.assert_close_refused_and_autoplay_refused()
        captions = session.press_watch("left", 9000)
        # Yes hands the right button back as "Please Wait" while the disc becomes ready; the
        # erased disc is blank and the right button reads "&Cancel" when the recording starts.
        self.assertEqual(captions[:3], [quoted("IDS_BUTTON_NO"), quoted("IDS_BUTTON_PLEASE_WAIT"),
                                        quoted("IDS_BUTTON_CANCEL")])
        session.wait_memo(PROBLEM + " " + harness.text("IDS_RWLIB_RESULT_19"))
        session.wait_right(OK)
        memo = session.memo()
        self.assertLess(memo.index(ERASING), memo.index(ERASED))
        self.assertEqual(session.state()["gauge-left"], "100/100")
        self.assertEqual(session.state()["left"], quoted("IDS_BUTTON_HELP_PLAIN") + " enabled")
        # Once the recording has ended the shell's AutoPlay may open the disc again.
        self.assertEqual(session.probe("autoplay").stdout.strip(), "answer 0")
        final = session.press_and_follow("right")
        self.assertEqual(final.count(ERASE_QUESTION), 1)
        self.assertNotIn(CANCELLED, final)
        self.assertEqual(session.exit_code(), 7)
        calls = session.calls()
        self.assertEqual(answers(calls, "BlankDisc"), ["1"])
        after_erase = names(calls)[names(calls).index("BlankDisc"):]
        self.assertEqual(after_erase[:4], ["BlankDisc", "GetDiscInfo", "GetDiscInfo", "GetDiscInfo"])
        self.assertEqual(answers(calls, "IsDeviceReadyEx"), ["1"])
        self.assertEqual(answers(calls, "WriteCdDataTaoPerList"), ["19"])
        self.assertEqual(session.registry().get("BBResult"), "7")

    def test_erase_answered_no_reports_no_blank_disc(self):
        session = self.start("erase-no", devices=self.ERASABLE, disc=True)
        session.wait_memo(ERASE_QUESTION)
        captions = session.press_watch("right")
        # "Cancel" lasts only until the question's wait ends its current 50 ms round, which may
        # be too short to be read from outside; the order itself is pinned by the native tests.
        # What is seen must keep that order and end in "&OK".
        self.assertIn(captions, ([quoted("IDS_BUTTON_NO"), quoted("IDS_BUTTON_CANCEL_PLAIN"),
                                  quoted("IDS_BUTTON_OK")],
                                 [quoted("IDS_BUTTON_NO"), quoted("IDS_BUTTON_OK")]))
        session.wait_memo(NO_BLANK)
        session.assert_close_refused_and_autoplay_refused()
        # The left button is "Help" again (without the ampersand the question's end gives it).
        self.assertEqual(session.state()["left"], quoted("IDS_BUTTON_HELP_PLAIN") + " enabled")
        # The press checks the disc once more; the question is not asked again.
        final = session.press_and_follow("right")
        self.assertEqual(session.exit_code(), 5)
        self.assertEqual(final.count(ERASE_QUESTION), 1)
        self.assertNotIn(CANCELLED, final)
        calls = session.calls()
        self.assertNotIn("BlankDisc", names(calls))
        self.assertEqual(names(calls).count("Unload"), 1)
        self.assertEqual(answers(calls, "GetDiscInfo"), ["1", "12", "1"])
        self.assertEqual(session.registry().get("BBResult"), "5")

    # --- cancel, the preview, the burn worker's messages

    def test_cancel_during_the_checks(self):
        session = self.start("cancel")
        session.wait_memo(BANNER)
        final = session.press_and_follow("right")
        self.assertEqual(session.exit_code(), 1)
        self.assertIn(CANCELLED, final)
        self.assertNotIn(harness.text("IDS_SESSION_TAO_METHOD"), final)
        calls = session.calls()
        self.assertNotIn("WriteCdDataTaoPerList", names(calls))
        history = session.registry()
        self.assertEqual((history.get("BBResult"), history.get("PriorBurnWasGood")), ("1", "0"))

    def test_preview_checks_nothing_and_writes_only_the_history(self):
        session = TSession(self, "preview", params="/show")
        self.session = session
        self.assertEqual(session.exit_code(), 0)
        self.assertEqual(sorted(os.listdir(session.folder)), ["Burn My Disc.exe", "CoverSheet.htm"])
        self.assertEqual(session.calls(), [])
        history = session.registry()
        written = {"BBResult": "-1", "CPUspeed": "0", "PriorBurnWasGood": "1",
                   "PriorSaidHoldThrottle": "0", "TAOModeSuccess": "0", "SAOModeSuccess": "0",
                   "DAOModeSuccess": "0", "TAOModeFail": "0", "SAOModeFail": "0",
                   "DAOModeFail": "0"}
        self.assertEqual({k: history.get(k) for k in written}, written)
        self.assertEqual(history.get("LastDiscNumber"), "1042")

    def test_burn_worker_messages_from_outside_change_nothing(self):
        # Only the applet's own workers drive the gauge and the memo (hostile_events_test sends
        # the messages with any values; the recordings show the workers' own reports).
        session = self.start("messages", omit=["qxorig.qx"])
        session.wait_memo(MISSING_FILES)
        memo = session.memo()
        for position, maximum in [(50, 200), (300, 400), (30, 20)]:
            self.assertEqual(session.probe("burn-progress", position, maximum).returncode, 0)
            self.assertEqual(session.state()["gauge"], "0/100")
        self.assertEqual(session.probe("burn-text", "Writing track 1\\r\\nof 1").returncode, 0)
        self.assertEqual(session.memo(), memo)
        self.assertNotIn("Writing track 1", session.memo())
        final = session.press_and_follow("right")
        self.assertEqual(session.exit_code(), 2)
        self.assertNotIn(CANCELLED, final)


if __name__ == "__main__":
    unittest.main()
