"""The session's end under Wine: what the applet leaves behind once its process and its clean-up
batch have ended, and what it asked the default browser to open. The browser is the stand-in of
standins/browser, registered in the prefix by the authoring stand-in; it logs every address or file
it is asked to open, one a line, to "browser.log" beside itself.

The results report is opened only when the machine is online (wininet's InternetGetConnectedState).
The expected log follows what Wine answers here, so the module also holds on a machine without a
network.

The sessions run with Wine's own "wnaspi32" turned off (NATIVE_ASPI): Wine ships a builtin of that
name without a version resource, and with it in the way the version lookup of "wnaspi32.dll" reads
the builtin instead of the layer the session installed beside the applet, as no Windows would."""
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
COVER = harness.text("IDS_BURN_COVER_SHEET")
BROWSER = os.path.join(harness.BIN, "browser.exe")
SOURCE = "Vonnel Disc Author 6.0"
# What the applet's version resource (src/res) reads as in its "Full" form.
APPLET_VERSION = "6.00(1)"
# The ASPI stand-in's default file version 4.6.0.1021 in its "Long" form.
ASPI_VERSION = "4.60(1021)"
SUPPORT_FILES = ("RwLib.dll", "DEVICES.DEF", "W2kXP03.qx", "qxc.qx", "qxi9cd.qx", "qxorig.qx")
RESULTS = "http://results.ravelle.invalid/vkrp6.asp?r="
IDLE_S = 180
NATIVE_ASPI = "wnaspi32=n"


def online(wine, work):
    """What the applet's IsOnline answers in this prefix, asked through the CommonUtils check
    program, which prints it (Wine answers from the network adapters: one that is up, is no
    loopback and has a default gateway counts as a connection)."""
    scratch = os.path.join(work, "online")
    os.makedirs(scratch, exist_ok=True)
    program = os.path.join(work, "common_utils_check.exe")
    shutil.copyfile(os.path.join(harness.BIN, "common_utils_check.exe"), program)
    out = wine.run([program, harness.windows_path(scratch), "/CHECK#13/#10"], timeout=120).stdout
    match = re.search(r"^IsOnline ([01])", out, re.M)
    if not match:
        raise harness.HarnessError(f"no IsOnline answer: {out!r}")
    return match.group(1) == "1"


class TEndSession(st.TSession):
    """An applet of the authoring stand-in with the browser stand-in registered."""

    def __init__(self, test, name, delete_applet="1", files=2):
        self.test, self.wine = test, test.wine
        args = [sys.executable, st.AUTHORING, "--prefix", harness.PREFIX, "--bin", harness.BIN,
                "--qxarc", st.QXARC, "--applet-dir", f"drive_c/ending/{ARCH}-{name}",
                "--project-dir", f"drive_c/ending/{ARCH}-{name}-project", "--files", str(files),
                "--reset-registry", "--source", SOURCE, "--delete-applet", delete_applet,
                "--browser", BROWSER]
        devices_file = os.path.join(test.work, f"{name}.DEF")
        with open(devices_file, "w") as f:
            f.write(st.LOG)
        args += ["--devices", devices_file]
        out = subprocess.run(args, check=True, capture_output=True, text=True, timeout=300).stdout
        self.paths = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        self.folder = self.paths["APPLET_DIR"]
        self.browser_log = self.paths["BROWSER_LOG"]
        for stale in (os.path.join(self.folder, "calls.log"), os.path.join(self.folder, "disc.iso"),
                      os.path.join(self.folder, "qx1e.bat"), self.browser_log):
            if os.path.exists(stale):
                os.remove(stale)
        exec_args, env = self.wine.exec_args(f'"{self.paths["APPLET_WIN"]}"', st.SESSION_MS)
        env["WINEDLLOVERRIDES"] = self.wine.env["WINEDLLOVERRIDES"] + ";" + NATIVE_ASPI
        self.running = self.wine.start(exec_args, extra_env=env)
        self.memo_text = ""

    def wait_prefix_idle(self):
        """Waits until every program of the prefix has ended: the applet, its batch, the browser."""
        self.test.assertTrue(harness.wait_idle(IDLE_S), "programs of the prefix did not end")

    def opened(self):
        """What the browser was asked to open, one entry per start."""
        if not os.path.exists(self.browser_log):
            return []
        with open(self.browser_log, encoding="latin-1", newline="") as f:
            return [line for line in f.read().split("\r\n") if line]

    def cover_sheet(self):
        return self.paths["APPLET_WIN"].rsplit("\\", 1)[0] + "\\CoverSheet.htm"

    def left(self):
        return sorted(os.listdir(self.folder))


def expected_address(result, aspi, cdr, succ, fail, speed, size, progress=None):
    address = (f"{RESULTS}{result}&source={SOURCE.replace(' ', '_')}&av={APPLET_VERSION}"
               f"&ASPI={aspi}&DirectCDvxd=6")
    if result != 0:
        address += f"&p=100.{progress}"
    return address + f"&cdr={cdr}&Succ={succ}&Fail={fail}&t={speed}&size={size}"


def recorder_text(calls):
    """Vendor and product as the image recorder reported them, blanks as "_"; "None" when it was
    never asked (or did not answer)."""
    for name, _, result, outputs in calls:
        if name == "GetVendorProductStrings" and result == "1":
            return "".join(outputs).replace(" ", "_").replace("&", "_")
    return "None"


class SessionEndTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder("session_end")
        cls.online = online(cls.wine, cls.work)
        print(f"online as Wine sees it: {cls.online}", flush=True)

    def setUp(self):
        self.session = None

    def tearDown(self):
        if self.session:
            self.session.kill()
            harness.end_batches(self.session.folder)

    def start(self, name, **options):
        self.session = TEndSession(self, name, **options)
        self.session.wait_window()
        return self.session

    def assert_support_files_gone(self, session):
        for name in SUPPORT_FILES:
            self.assertFalse(os.path.exists(os.path.join(session.folder, name)), name)

    def test_success_removes_the_support_files_reports_and_opens_the_cover_sheet(self):
        # DeleteApplet "1": the batch deletes the applet once its process has ended; "0" keeps it.
        for delete_applet, applet_kept in (("1", False), ("0", True)):
            with self.subTest(DeleteApplet=delete_applet):
                session = self.start(f"success-{delete_applet}", delete_applet=delete_applet)
                session.wait_memo(COVER)
                session.wait_right(harness.text("IDS_BUTTON_OK"))
                session.press_and_follow("right")
                self.assertEqual(session.exit_code(), 0)
                session.wait_prefix_idle()
                self.assert_support_files_gone(session)
                applet = os.path.basename(session.paths["APPLET"])
                self.assertEqual(applet in session.left(), applet_kept, session.left())
                # The image recorder's files and the cover sheet stay, and so does the installed
                # ASPI layer: its version 4.60 is below 5, which the clean-up takes for a layer
                # that is not its own. The batch has deleted itself.
                self.assertEqual(set(session.left()) - {applet},
                                 {"CoverSheet.htm", "calls.log", "disc.iso", "wnaspi32.dll"})
                history = session.registry()
                self.assertEqual((history.get("BBResult"), history.get("TAOModeSuccess")), ("0", "1"))
                calls = session.calls()
                speeds = [call[1] for call in calls if call[0] == "SetCdSpeeds"]
                self.assertEqual(len(speeds), 1)
                factor = max(int(speeds[0][1]) // 176, 2)
                self.assertEqual(history.get("PriorX"), str(factor))
                size = int(session.paths["PROJECT_SIZE"]) // 1048576
                address = expected_address(0, ASPI_VERSION, recorder_text(calls), "0.0.1", "0.0.0",
                                           factor, size)
                self.assertEqual(recorder_text(calls), "QXImage_Recorder")
                expected = ([address] if self.online else []) + [session.cover_sheet()]
                self.assertEqual(session.opened(), expected)
                self.session = None

    def test_cancel_during_the_checks_reports_no_progress_and_keeps_the_applet(self):
        session = self.start("cancel")
        session.wait_memo(st.BANNER)
        final = session.press_and_follow("right")
        self.assertIn(st.CANCELLED, final)
        self.assertEqual(session.exit_code(), 1)
        session.wait_prefix_idle()
        self.assert_support_files_gone(session)
        applet = os.path.basename(session.paths["APPLET"])
        self.assertIn(applet, session.left())
        self.assertFalse(os.path.exists(os.path.join(session.folder, "qx1e.bat")))
        calls = session.calls()
        self.assertNotIn("WriteCdDataTaoPerList", st.names(calls))
        # The press may come before or after the ASPI layer was installed (it then stays, see
        # above; before, no layer with a version is found and the text is "6") and before or after
        # the recorder was identified (the call log tells).
        installed = "wnaspi32.dll" in session.left()
        self.assertEqual(set(session.left()) - {applet, "wnaspi32.dll", "calls.log"},
                         {"CoverSheet.htm"})
        address = expected_address(1, ASPI_VERSION if installed else "6", recorder_text(calls),
                                   "0.0.0", "0.0.0", "", 0, progress="-")
        # No cover sheet for a session that did not succeed.
        self.assertEqual(session.opened(), [address] if self.online else [])
        self.session = None


if __name__ == "__main__":
    unittest.main()
