#!/usr/bin/env bash
# The main job: installs what is missing, builds the Windows applet and uiprobe, and opens the
# applet's session window under Wine on a private Xvfb display; takes a screenshot
# (build/demo/session-window.png), prints what uiprobe reads from the window and closes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64 win32
mkdir -p "$root/build/demo"
QX_BIN="$root/build/win64/bin" QX_E2E_DIR="$root/build/demo" \
  timeout 900 python3 "$root/scripts/demo_window.py"
