#!/usr/bin/env bash
# Runs a Windows program under Wine 8 in the build tree's private prefix, with a time-out. The
# loader `wine` starts 32- and 64-bit programs alike in a 64-bit prefix; where 32-bit Wine
# (wine32:i386) is missing or cannot run, it would fail even for 64-bit programs, so the 64-bit
# loader runs those alone. QX_WINEARCH=win32 asks for a 32-bit prefix instead (the emulated guest's). The prefix is made on first use (one maker at a time when tests start in
# parallel). Used as CMake's cross-compiling emulator for the win64 build and by the win32 twins of
# its Windows tests.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEARCH=${QX_WINEARCH:-win64} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$WINEARCH" = win32 ]; then
  wine=${QX_WINE:-wine} ready="$WINEPREFIX/.qx-prefix-ready-win32"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine=${QX_WINE:-wine}
  # A prefix made while 32-bit Wine could not run lacks its 32-bit half: it is updated once.
  ready="$WINEPREFIX/.qx-prefix-ready-wow64"
else
  wine=/usr/lib/wine/wine64 ready="$WINEPREFIX/.qx-prefix-ready"
fi
# Tests run in parallel: the first one makes the prefix while the others wait for it to be complete.
if [ ! -f "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  exec 9>"$WINEPREFIX/.qx-prefix-lock"
  flock 9
  if [ ! -f "$ready" ]; then
    if [ -f "$WINEPREFIX/system.reg" ]; then boot=-u; else boot=-i; fi
    timeout 300 "$wine" wineboot "$boot" >/dev/null 2>&1
    timeout 300 wineserver -w
    touch "$ready"
  fi
  exec 9>&-
fi
exec timeout "${QX_WINE_TIMEOUT:-120}" "$wine" "$@"
