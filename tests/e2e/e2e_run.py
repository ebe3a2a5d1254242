"""Runs one end-to-end test module, or one Windows test program, for the build named by QX_ARCH.
Where this machine's Wine cannot run that build, the emulated guest runs it (tests/guest), when the
ctest fixture has booted one; else it says why and exits with the code ctest counts as skipped, so
that the test shows up as skipped instead of passing or vanishing.

Usage: e2e_run.py module NAME            runs the unittest module NAME
       e2e_run.py program RUNNER ARGS... runs RUNNER ARGS... (a Wine runner and its program)"""
import os
import sys
import unittest

import harness

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "guest"))
import guest  # noqa: E402

SKIP_CODE = 77


def main(argv):
    if len(argv) < 3 or argv[1] not in ("module", "program"):
        sys.exit(__doc__)
    reason = harness.missing_wine()
    if reason:
        # The emulated guest, where the ctest fixture has booted one, runs what this machine cannot.
        exchange = os.environ.get("QX_GUEST_DIR", "")
        no_guest = guest.unavailable(exchange)
        if no_guest is None:
            return guest.forward(exchange, ["python3", os.path.abspath(__file__)] + argv[1:])
        print(f"skipped: {reason}; {no_guest}", flush=True)
        return SKIP_CODE
    if argv[1] == "program":
        os.execvp(argv[2], argv[2:])
    if not os.path.isfile(os.path.join(harness.BIN, "applet.exe")):
        print(f"no applet.exe in {harness.BIN}: build that tree first (scripts/build.sh {harness.ARCH})")
        return 1
    print(f"build under test: {harness.ARCH} ({harness.BIN}), Wine loader {harness.WINE}", flush=True)
    harness.stop_wineserver()
    program = unittest.main(module=None, argv=[argv[0], "-v", argv[2]], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
