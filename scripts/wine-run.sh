#!/usr/bin/env bash
# Runs a Windows program under Wine 8 (wine64) in the build tree's private prefix, with a time-out.
# The prefix is made on first use (one maker at a time when tests start in parallel). Used as
# CMake's cross-compiling emulator for the win64 build.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock -w 600 9 || exit 1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      timeout 300 "$wine" wineboot -i >/dev/null 2>&1
      timeout 300 wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec timeout "${QX_WINE_TIMEOUT:-120}" "$wine" "$@"
