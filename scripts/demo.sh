#!/usr/bin/env bash
# The main job: installs what is missing, builds, prepares a project and packs an applet with the
# image recorder (standins/authoring), then starts the applet's session under Wine on a private
# Xvfb display: it unpacks its support files and shows the project title. Takes a screenshot
# (build/demo/session-window.png), prints what uiprobe reads from the window and ends the applet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" release win64 win32
mkdir -p "$root/build/demo"
QX_BIN="$root/build/win64/bin" QX_NATIVE_BIN="$root/build/release/bin" QX_E2E_DIR="$root/build/demo" \
  timeout 900 python3 "$root/scripts/demo_window.py"
