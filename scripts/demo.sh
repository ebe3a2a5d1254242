#!/usr/bin/env bash
# The main job, the whole story of one disc: installs what is missing, builds, prepares a project
# and packs an applet with the image recorder (standins/authoring, with the browser stand-in), runs
# the applet's session under Wine on a private Xvfb display to "Disc completed successfully!",
# takes a screenshot (build/demo/session-window.png), presses OK, and prints the memo, the exit
# code, the registry outcome, what the browser was asked to open, the recorded image's listing and
# a diff -r verdict against the project folder (scripts/demo_window.py). QX_DEMO_ARCH=win32 runs the
# i686 applet instead, in the emulated guest (tests/guest) where this machine cannot run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" release win64 win32
mkdir -p "$root/build/demo"
if [ "${QX_DEMO_ARCH:-win64}" = win32 ]; then
  # The i686 applet, the one that ships: in the emulated guest where this machine cannot run it.
  python3 "$root/tests/guest/guest.py" prepare
  QX_ARCH=win32 QX_BIN="$root/build/win32/bin" QX_PROBE_BIN="$root/build/win64/bin" \
    QX_NATIVE_BIN="$root/build/release/bin" QX_E2E_DIR="$root/build/demo" \
    timeout 3000 python3 "$root/tests/guest/guest.py" run "$root/build/demo/guest" \
    python3 "$root/scripts/demo_window.py"
else
  QX_BIN="$root/build/win64/bin" QX_NATIVE_BIN="$root/build/release/bin" QX_E2E_DIR="$root/build/demo" \
    timeout 900 python3 "$root/scripts/demo_window.py"
fi
