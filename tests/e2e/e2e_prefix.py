"""ctest fixtures of the end-to-end tests: `setup` makes this run's display and fresh Wine prefix,
`cleanup` stops that prefix's wineserver and the display. For a build that this machine cannot run,
the emulated guest does it where one is running; where none is, nothing is done (the tests then
report themselves as skipped)."""
import os
import sys

import harness

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "guest"))
import guest  # noqa: E402

if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("setup", "cleanup"):
        sys.exit("usage: e2e_prefix.py setup|cleanup")
    reason = harness.missing_wine()
    if reason:
        exchange = os.environ.get("QX_GUEST_DIR", "")
        no_guest = guest.unavailable(exchange)
        if no_guest is not None:
            print(f"nothing to do: {reason}; {no_guest}")
            sys.exit(0)
        sys.exit(guest.forward(exchange, ["python3", os.path.abspath(__file__), sys.argv[1]]))
    if sys.argv[1] == "setup":
        print("display", harness.setup_prefix(), "prefix", harness.PREFIX)
    else:
        harness.cleanup_prefix()
        print("stopped", harness.PREFIX)
