#!/usr/bin/env bash
# Runs a Windows program under Wine 8 (wine64) in the build tree's private prefix, with a time-out.
# The prefix is made on first use (one maker at a time when tests start in parallel). Used as
# CMake's cross-compiling emulator for the win64 build.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
# Tests run in parallel: the first one makes the prefix while the others wait for it to be complete.
ready="$WINEPREFIX/.qx-prefix-ready"
if [ ! -f "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  exec 9>"$WINEPREFIX/.qx-prefix-lock"
  flock 9
  if [ ! -f "$ready" ]; then
    timeout 300 "$wine" wineboot -i >/dev/null 2>&1
    timeout 300 wineserver -w
    touch "$ready"
  fi
  exec 9>&-
fi
exec timeout "${QX_WINE_TIMEOUT:-120}" "$wine" "$@"
