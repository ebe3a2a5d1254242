"""Runs one end-to-end test module, or one Windows test program, for the build named by QX_ARCH.
Where this machine's Wine cannot run that build, it says why and exits with the code ctest counts
as skipped, so that the test shows up as skipped instead of passing or vanishing.

Usage: e2e_run.py module NAME            runs the unittest module NAME
       e2e_run.py program RUNNER ARGS... runs RUNNER ARGS... (a Wine runner and its program)"""
import os
import sys
import unittest

import harness

SKIP_CODE = 77


def main(argv):
    if len(argv) < 3 or argv[1] not in ("module", "program"):
        sys.exit(__doc__)
    reason = harness.missing_wine()
    if reason:
        print(f"skipped: {reason}", flush=True)
        return SKIP_CODE
    if argv[1] == "program":
        os.execvp(argv[2], argv[2:])
    print(f"build under test: {harness.ARCH} ({harness.BIN})", flush=True)
    program = unittest.main(module=None, argv=[argv[0], "-v", argv[2]], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
