"""ctest fixtures of the end-to-end tests: `setup` makes this run's display and fresh Wine prefix,
`cleanup` stops that prefix's wineserver and the display."""
import sys

import harness

if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("setup", "cleanup"):
        sys.exit("usage: e2e_prefix.py setup|cleanup")
    if sys.argv[1] == "setup":
        print("display", harness.setup_prefix(), "prefix", harness.PREFIX)
    else:
        harness.cleanup_prefix()
        print("stopped", harness.PREFIX)
