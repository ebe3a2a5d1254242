"""CommonUtils against the real Win32 API under Wine: switches of the own command line, paths,
the string table, file sizes, copying, shell deletion, the window search and the wait."""
import os
import shutil
import unittest

import harness
from harness import Wine, windows_path


class CommonUtilsTest(unittest.TestCase):
    def test_common_utils_under_wine(self):
        folder = os.path.join(harness.E2E_DIR, "work", "common_utils")
        shutil.rmtree(folder, ignore_errors=True)
        scratch = os.path.join(folder, "scratch")
        os.makedirs(scratch)
        # Drive R: of the prefix: a root the program's clean-up must not empty.
        drive = os.path.join(folder, "drive-r")
        os.makedirs(drive)
        with open(os.path.join(drive, "keep.txt"), "w") as f:
            f.write("kept")
        link = os.path.join(harness.PREFIX, "dosdevices", "r:")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(drive, link)
        self.addCleanup(os.remove, link)
        program = os.path.join(folder, "common_utils_check.exe")
        shutil.copyfile(os.path.join(harness.BIN, "common_utils_check.exe"), program)
        result = Wine().run([program, windows_path(scratch), "/CHECK#13/#10"], timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertRegex(result.stdout, r"\n[1-9][0-9]* checks held, 0 failed")
        self.assertTrue(os.path.exists(os.path.join(drive, "keep.txt")), "drive R: was emptied")


if __name__ == "__main__":
    unittest.main()
