#!/usr/bin/env bash
# The main job, the whole story of one disc: installs what the demo needs (scripts/setup.sh demo),
# builds only what it runs (qxarc in the release tree; the applet, the image recorder, the ASPI
# layer, the browser stand-in and uiprobe in the win64 tree), prepares a project and packs an
# applet with the image recorder (standins/authoring, with the browser stand-in), runs the applet's
# session under Wine on a private Xvfb display to "Disc completed successfully!", takes a screenshot
# (build/demo/session-window.png), presses OK, and prints the memo, the exit code, the registry
# outcome, what the browser was asked to open, the recorded image's listing and a diff -r verdict
# against the project folder (scripts/demo_window.py). Package and compiler output goes to
# build/logs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stage.sh"
start=$SECONDS started=$(date +%s)

"$root/scripts/setup.sh" demo
setup_s=$((SECONDS - start))
build_start=$SECONDS
"$root/scripts/build.sh" release:qxarc win64:applet,RwLib,wnaspi32,browser,uiprobe
build_s=$((SECONDS - build_start))
mkdir -p "$root/build/demo"
QX_BIN="$root/build/win64/bin" QX_NATIVE_BIN="$root/build/release/bin" QX_E2E_DIR="$root/build/demo" \
  QX_DEMO_STARTED=$started QX_DEMO_TIMES="setup $(stage_duration $setup_s), build $(stage_duration $build_s)" \
  timeout 900 python3 "$root/scripts/demo_window.py"
