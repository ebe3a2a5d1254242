"""Recordings under Wine: applets packed by the authoring stand-in, the image recorder configured per
scenario through DEVICES.DEF, the window driven from outside by uiprobe. Every scenario checks the
memo, the exit code, the registry, the recorder's call log and the applet folder after the process
has ended; a finished disc is the recorder's image file, read back with 7z and compared with the
project folder by `diff -r`.

What happens after the press of "&OK" beyond the session's own end (the clean-up batch, the results
address, the cover sheet) belongs to the clean-up and report work and is checked there."""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

import harness
import session_test as st

ARCH = st.ARCH

INFINITE_WAIT_MS = 120000
OK = harness.text("IDS_BUTTON_OK")
SPEED_IS = harness.text("IDS_SESSION_SPEED_IS")
READY_IN = harness.text("IDS_SESSION_READY_IN")
MINUTES = harness.text("IDS_SESSION_MINUTES")
TAO = harness.text("IDS_SESSION_TAO_METHOD")
DONT_DISTURB = harness.text("IDS_SESSION_DONT_DISTURB")
COMPLETED = harness.text("IDS_BURN_COMPLETED")
LABEL_HINT = harness.text("IDS_BURN_LABEL_HINT") + harness.text("IDS_BURN_DISC_LOG") + "1042"
THANKS = harness.text("IDS_BURN_THANKS") + "\r\n" + harness.text("IDS_BURN_MAKER") + "\r\n"
COVER = harness.text("IDS_BURN_COVER_SHEET")
FOLDER_MISSING = harness.text("IDS_BURN_FOLDER_MISSING")
CLEANING = harness.text("IDS_BURN_CLEANING_UP")
TITLE = "Summer Holiday 2026"
TRACK_TITLE = "Holiday photos and letters"
VOLUME = "SUMMER2026"


class TRecording(st.TSession):
    """One applet of the authoring stand-in, with the recording's own options."""

    def __init__(self, test, name, devices="", files=2, options=(), params="", disc=False,
                 size_added=0):
        self.test, self.wine = test, test.wine
        self.project = os.path.join(harness.PREFIX, "drive_c", "recording", f"{ARCH}-{name}-project")
        args = [sys.executable, st.AUTHORING, "--prefix", harness.PREFIX, "--bin", harness.BIN,
                "--qxarc", st.QXARC, "--applet-dir", f"drive_c/recording/{ARCH}-{name}",
                "--project-dir", f"drive_c/recording/{ARCH}-{name}-project", "--files", str(files),
                "--reset-registry", "--title", TITLE, "--track-title", TRACK_TITLE,
                "--volume", VOLUME, "--disc-number", "1042"] + list(options)
        devices_file = os.path.join(test.work, f"{name}.DEF")
        with open(devices_file, "w") as f:
            f.write(devices + st.LOG)
        args += ["--devices", devices_file]
        out = subprocess.run(args, check=True, capture_output=True, text=True, timeout=300).stdout
        self.paths = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        # The history may claim more than the folder holds: the size the session reads.
        self.folder_size = int(self.paths["PROJECT_SIZE"]) + size_added
        if size_added:
            result = self.wine.run(["reg", "add", st.KEY, "/v", "LastFolderSize", "/t", "REG_SZ",
                                    "/d", str(self.folder_size), "/f"], timeout=120)
            test.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.folder = self.paths["APPLET_DIR"]
        for stale in ("calls.log", "disc.iso"):
            if os.path.exists(os.path.join(self.folder, stale)):
                os.remove(os.path.join(self.folder, stale))
        if disc:
            with open(os.path.join(self.folder, "disc.iso"), "wb") as f:
                f.write(b"\0" * 32768)
        # A copy of the project as it was, to compare with the image and the folder afterwards.
        self.original = os.path.join(test.work, f"{name}-original")
        shutil.rmtree(self.original, ignore_errors=True)
        shutil.copytree(self.paths["PROJECT"], self.original)
        self.dates = {time.strftime("%m/%d/%Y")}
        exec_args, env = self.wine.exec_args(f'"{self.paths["APPLET_WIN"]}" {params}'.rstrip(),
                                             st.SESSION_MS)
        self.running = self.wine.start(exec_args, extra_env=env)
        self.memo_text = ""

    def image(self):
        return os.path.join(self.folder, "disc.iso")

    def write_call(self):
        writes = [call for call in self.calls() if call[0] == "WriteCdDataTaoPerList"]
        self.test.assertEqual(len(writes), 1, "one write call")
        return writes[0]

    def extract_image(self):
        """The image's files in a fresh folder, or None when 7z cannot read it as a disc."""
        target = os.path.join(self.test.work, os.path.basename(self.folder) + "-image")
        shutil.rmtree(target, ignore_errors=True)
        result = subprocess.run(["7z", "x", "-y", f"-o{target}", self.image()], capture_output=True,
                                text=True, timeout=120)
        return target if result.returncode == 0 else None

    def assert_image_holds(self, folder):
        extracted = self.extract_image()
        self.test.assertIsNotNone(extracted, "7z cannot read the image")
        diff = subprocess.run(["diff", "-r", folder, extracted], capture_output=True, text=True)
        self.test.assertEqual(diff.returncode, 0, diff.stdout + diff.stderr)

    def volume_name(self):
        out = subprocess.run(["isoinfo", "-d", "-i", self.image()], capture_output=True, text=True,
                             timeout=60).stdout
        match = re.search(r"^Volume id:\s*(.*)$", out, re.M)
        return match.group(1).strip() if match else None

    def assert_close_refused_autoplay_allowed(self):
        """After a recording has ended a close from outside is still refused, and the shell's
        AutoPlay may open the disc again (answer 0)."""
        self.test.assertEqual(self.probe("close").returncode, 0)
        self.test.assertEqual(self.probe("wait-gone", 1500).returncode, 2, "the window went away")
        self.test.assertIsNone(self.running.poll(), "the applet ended on a close request")
        self.test.assertEqual(self.probe("autoplay").stdout.strip(), "answer 0")

    def project_unchanged(self):
        diff = subprocess.run(["diff", "-r", self.original, self.paths["PROJECT"]], capture_output=True)
        return diff.returncode == 0


def expected_interval(size):
    return (size // 2048 + 1) // 180 + 110


class RecordingSessionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder("recording_session")

    def setUp(self):
        self.session = None

    def tearDown(self):
        if self.session:
            self.session.kill()

    def start(self, name, **options):
        self.session = TRecording(self, name, **options)
        self.session.wait_window()
        return self.session

    def finish_success(self, session):
        """Waits for the success report, checks the window, presses "&OK"; returns the memo."""
        session.wait_memo(COVER)
        session.wait_right(OK)
        memo = session.memo()
        for line in (TAO, DONT_DISTURB, COMPLETED, LABEL_HINT, THANKS, COVER):
            self.assertIn(line, memo)
        self.assertLess(memo.index(DONT_DISTURB), memo.index(COMPLETED))
        state = session.state()
        self.assertEqual(state["gauge"], "100/100")
        self.assertEqual(state["gauge-left"], "100/100")
        session.assert_close_refused_autoplay_allowed()
        final = session.press_and_follow("right")
        self.assertNotIn(st.CANCELLED, final)
        self.assertEqual(session.exit_code(), 0)
        history = session.registry()
        self.assertEqual(history.get("BBResult"), "0")
        self.assertEqual(history.get("PriorBurnWasGood"), "1")
        self.assertEqual(history.get("TAOModeSuccess"), "1")
        self.assertEqual(history.get("TAOModeFail"), "0")
        return memo

    def check_write_call(self, session, test_flag):
        _, args, result, _ = session.write_call()
        size = int(session.paths["PROJECT_SIZE"])
        self.assertEqual(args[:5], ["1", session.paths["PROJECT_WIN"], "0", "1", str(size)])
        self.assertEqual(args[5], TRACK_TITLE)
        title = re.fullmatch(re.escape(TITLE) + r" {7}(\d\d/\d\d/\d{4})", args[6])
        self.assertIsNotNone(title, args[6])
        session.dates.add(time.strftime("%m/%d/%Y"))
        self.assertIn(title.group(1), session.dates)
        self.assertEqual(args[7:], [VOLUME, str(expected_interval(size)), test_flag])
        return result

    def check_speed_calls(self, session):
        """The speed step's calls, in their order, with the speed the rule chose: the highest the
        recorder offers on a protected recorder of a machine above 300 MHz, else 706 kB/s."""
        calls = session.calls()
        order = [c[0] for c in calls if c[0] in ("BurnProofControl", "GetCdSpeeds", "SetCdSpeeds",
                                                  "WriteCdDataTaoPerList")]
        self.assertEqual(order, ["BurnProofControl", "GetCdSpeeds", "SetCdSpeeds", "GetCdSpeeds",
                                 "WriteCdDataTaoPerList"])
        cpu = int(session.registry().get("CPUspeed", "0"))
        chosen = "8448" if cpu > 300 else "706"
        self.assertEqual([c[1] for c in calls if c[0] == "SetCdSpeeds"], [["7056", chosen]])
        return int(chosen) // 176

    # --- a whole recording

    def test_full_successful_session_records_the_project(self):
        session = self.start("full", files=6)
        memo = self.finish_success(session)
        self.assertEqual(self.check_write_call(session, "0"), "1")
        speed = self.check_speed_calls(session)
        self.assertNotIn(harness.text("IDS_SESSION_SPEED_IS"), memo)
        self.assertIn("Disc will be ready in", memo)
        session.assert_image_holds(session.paths["PROJECT"])
        self.assertEqual(session.volume_name(), VOLUME)
        self.assertTrue(session.project_unchanged())
        self.assertEqual(session.registry().get("PriorX"), str(speed))
        self.assertEqual(st.names(session.calls())[-1], "Unload")

    def test_folder_sizes_of_4_gib_and_more(self):
        # The history's size is 64-bit: the track list gets its low 32 bits (the folder's own size
        # here, so the progress interval follows from it too), the time estimate the whole.
        for added in (1 << 32, 5 << 32):
            with self.subTest(added=added):
                session = self.start(f"large-{added >> 32}", size_added=added)
                memo = self.finish_success(session)
                self.assertEqual(self.check_write_call(session, "0"), "1")
                speed = max(self.check_speed_calls(session), 2)
                minutes = session.folder_size // 1048576 // (9 * speed) + 2
                self.assertIn(f"{READY_IN} {minutes} {MINUTES}", memo)
                session.assert_image_holds(session.paths["PROJECT"])
                self.session = None

    def test_test_write_goes_the_same_way_and_writes_no_image(self):
        for name, options, params in (("test-switch", (), "/testqx00"),
                                      ("test-registry", ("--testing", "1"), "")):
            with self.subTest(scenario=name):
                session = self.start(name, options=options, params=params)
                memo = self.finish_success(session)
                self.assertEqual(self.check_write_call(session, "-1"), "1")
                speed = self.check_speed_calls(session)
                shows_speed = f"{SPEED_IS}{max(speed, 2)}X: {READY_IN}" in memo
                # The registry's Testing shows the speed; the switch alone does not.
                self.assertEqual(shows_speed, name == "test-registry")
                self.assertFalse(os.path.exists(session.image()))
                self.session = None

    def test_write_failure_19_is_reported_and_kept(self):
        session = self.start("fail19", devices="[Write]\nResult=19\n")
        failure = st.PROBLEM + " " + harness.text("IDS_RWLIB_RESULT_19")
        session.wait_memo(failure)
        session.wait_right(OK)
        memo = session.memo()
        self.assertNotIn(COMPLETED, memo)
        self.assertEqual(session.state()["gauge"], "100/100")
        session.assert_close_refused_autoplay_allowed()
        final = session.press_and_follow("right")
        self.assertNotIn(st.CANCELLED, final)
        self.assertEqual(session.exit_code(), 7)
        self.assertEqual(self.check_write_call(session, "0"), "19")
        history = session.registry()
        self.assertEqual(history.get("BBResult"), "7")
        self.assertEqual(history.get("PriorBurnWasGood"), "0")
        self.assertEqual((history.get("TAOModeSuccess"), history.get("TAOModeFail")), ("0", "0"))
        self.assertTrue(session.project_unchanged())
        # The failing write leaves a spoilt disc: no reader takes it for the project.
        extracted = session.extract_image() if os.path.exists(session.image()) else None
        if extracted:
            self.assertNotEqual(subprocess.run(["diff", "-r", session.paths["PROJECT"], extracted],
                                               capture_output=True).returncode, 0)

    def test_during_the_write_cancel_is_disabled_and_a_kill_leaves_no_finished_disc(self):
        session = self.start("killed", files=12, devices="[Write]\nSectorsPerSecond=10\n")
        session.wait_memo(DONT_DISTURB)
        # The write begins once the progress worker has its interval; wait for the call to appear
        # in the log as running, i.e. the bar's first step or a few seconds into the write.
        deadline = time.monotonic() + 30
        while session.state()["gauge"].startswith("0/") and time.monotonic() < deadline:
            time.sleep(0.5)
        state = session.state()
        self.assertEqual(state["right"], '"%s" disabled' % harness.text("IDS_BUTTON_CANCEL"))
        self.assertEqual(session.probe("press", "right").returncode, 3)
        session.assert_close_refused_and_autoplay_refused()
        percent = int(state["gauge"].split("/")[0])
        self.assertLessEqual(percent, 96)
        self.assertIsNone(session.running.poll())
        self.assertEqual(session.memo().count(COMPLETED), 0)
        session.kill()
        self.session = None
        self.assertTrue(session.project_unchanged())
        self.assertNotIn("WriteCdDataTaoPerList", st.names(session.calls()))  # never returned
        if os.path.exists(session.image()):
            extracted = session.extract_image()
            if extracted:
                diff = subprocess.run(["diff", "-r", session.paths["PROJECT"], extracted],
                                      capture_output=True)
                self.assertNotEqual(diff.returncode, 0, "a killed write left a finished disc")

    # --- the project folder after success

    def test_last_project_delete_it(self):
        for value, empties in (("1", True), ("01", False)):
            with self.subTest(LastProjectDeleteIt=value):
                session = self.start(f"delete-{value}", options=("--delete-project", value))
                memo = self.finish_success(session)
                self.assertEqual(CLEANING in memo, empties)
                session.assert_image_holds(session.original)
                project = session.paths["PROJECT"]
                self.assertTrue(os.path.isdir(project))
                if empties:
                    self.assertEqual(os.listdir(project), [])
                    self.assertLess(memo.index(CLEANING), memo.index(COMPLETED))
                else:
                    self.assertTrue(session.project_unchanged())
                self.session = None

    def test_missing_project_folder(self):
        missing = r"C:\recording\no such project"
        session = self.start("missing", options=(f"--folder-path={missing}",))
        session.wait_memo(missing)
        session.wait_right(OK)
        memo = session.memo()
        self.assertLess(memo.index(FOLDER_MISSING), memo.index(missing))
        self.assertNotIn(COMPLETED, memo)
        final = session.press_and_follow("right")
        self.assertNotIn(st.CANCELLED, final)
        self.assertEqual(session.exit_code(), 2)
        names = st.names(session.calls())
        for call in ("BurnProofControl", "GetCdSpeeds", "SetCdSpeeds", "WriteCdDataTaoPerList"):
            self.assertNotIn(call, names)
        self.assertEqual(names[-1], "Unload")
        self.assertEqual(session.registry().get("BBResult"), "2")
        self.assertFalse(os.path.exists(session.image()))

    # --- erase, then record

    def test_erase_yes_then_a_complete_recording(self):
        session = self.start("erase-record", devices="[Disc]\nMediaType=2\nErasable=1\nNotReadyPolls=1\n",
                             disc=True)
        session.wait_memo(st.ERASE_QUESTION)
        session.press("left")
        session.wait_memo(st.ERASED)
        memo = self.finish_success(session)
        self.assertLess(memo.index(st.ERASED), memo.index(COMPLETED))
        self.assertEqual(self.check_write_call(session, "0"), "1")
        names = st.names(session.calls())
        self.assertLess(names.index("BlankDisc"), names.index("WriteCdDataTaoPerList"))
        session.assert_image_holds(session.paths["PROJECT"])


if __name__ == "__main__":
    unittest.main()
