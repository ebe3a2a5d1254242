"""The recording library binding's fault guard under Wine, on the build under test: rwlib_probe.exe
binds that build's image recorder (RwLib.dll) through the applet's own binding code and forces
failures inside the library (see [Force] in standins/rwlib/README.md)."""
import os
import unittest

import harness
from harness import Wine

# Scenario of rwlib_probe.exe -> the line it prints when every check held.
SCENARIOS = {
    # Normal answers: the scan finds the recorder, every entry point answers and logs as usual.
    "log": "log: 0 failed check(s)",
    # An access violation that escapes Start and AbortWrite: the scan ends with 23, the abort goes on.
    "fault": "fault: 0 failed check(s)",
    # A fault the library handles itself inside the call: Start and AbortWrite answer as usual.
    "handledfault": "handledfault: 0 failed check(s)",
    # The library's own software exception escaping the call: caught like a fault.
    "exception": "exception: 0 failed check(s)",
    # After guarded calls have caught faults, a fault outside them still ends the process.
    "unguarded": "unguarded: exception c0000005 reached the last handler, 0 failed check(s)",
}


class LibraryGuardTest(unittest.TestCase):
    def test_faults_and_exceptions_inside_the_library(self):
        wine = Wine()
        for scenario, expected in SCENARIOS.items():
            with self.subTest(scenario=scenario):
                folder = harness.work_folder(os.path.join("library_guard", scenario))
                result = wine.run([os.path.join(harness.BIN, "rwlib_probe.exe"), scenario],
                                  timeout=120, cwd=folder)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertIn(expected, result.stdout.splitlines())


if __name__ == "__main__":
    unittest.main()
