"""Sessions under Wine fed the inputs that real machines produce, one table row per input, each
row naming the promise it checks. The applets are the authoring stand-in's, the recorder the image
recorder; every row ends the session the way a user would and then checks what the promise says.

Rows:
  drive root as project   "Q:\\" (a drive of its own) named by LastFolderPath with
                          LastProjectDeleteIt "1": the disc is recorded, and every file of the
                          drive is byte-identical afterwards (nothing outside a project is deleted)
"""
import os
import shutil
import subprocess
import unittest

import harness
import recording_session_test as rs


class HostileEnvironmentTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = harness.Wine()
        cls.work = harness.work_folder("hostile_env")

    def setUp(self):
        self.session = None
        self.recording = rs.RecordingSessionTest()
        self.recording.wine, self.recording.work = self.wine, self.work

    def tearDown(self):
        if self.session:
            self.session.kill()

    def map_drive(self, letter, host_folder):
        """Makes `letter`: a drive of the prefix whose root is `host_folder`."""
        link = os.path.join(harness.PREFIX, "dosdevices", f"{letter}:")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(host_folder, link)
        self.addCleanup(os.remove, link)

    def assert_same_tree(self, before, after, why):
        diff = subprocess.run(["diff", "-r", before, after], capture_output=True, text=True)
        self.assertEqual(diff.returncode, 0, f"{why}: {diff.stdout}{diff.stderr}")

    # --- nothing outside the project is ever deleted

    def test_project_folder_that_cannot_be_emptied(self):
        rows = [
            # (name, drive letter, LastFolderPath)
            ("drive root", "q", "Q:\\"),
        ]
        for name, letter, folder in rows:
            with self.subTest(row=name):
                # The drive's root is the project the authoring stand-in makes, so the recording's
                # size agrees and the image can be compared with it.
                tag = name.replace(" ", "-")
                project = os.path.join(harness.PREFIX, "drive_c", "recording", f"{rs.ARCH}-{tag}-project")
                self.map_drive(letter, project)
                self.session = rs.TRecording(self.recording, tag,
                                             options=(f"--folder-path={folder}", "--delete-project", "1"))
                self.session.wait_window()
                memo = self.recording.finish_success(self.session)
                self.assertIn(rs.CLEANING, memo)
                self.session.assert_image_holds(self.session.original)
                self.assert_same_tree(self.session.original, project, f"{folder} was emptied")
                self.session = None


if __name__ == "__main__":
    unittest.main()
