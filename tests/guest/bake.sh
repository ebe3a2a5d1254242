#!/bin/bash
# Makes, inside the guest, the Wine prefix that the image keeps (a fresh one costs a minute or more
# of guest time, on every run that would make its own). A 32-bit prefix: 32-bit Wine's half of a
# 64-bit prefix does not come up in this guest ("could not load kernel32.dll, status c0000135" for
# every 32-bit program), while a 32-bit prefix runs them, and the i686 build is all the guest runs.
# Its marker names the prefix's kind for scripts/wine-run.sh. Run by init.sh (qx.mode=bake) with the
# image writable; image.sh keeps the image only when the last line says the prefix is baked.
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=/opt/qx/prefix
rm -rf "$WINEPREFIX"
mkdir -p /opt/qx
Xvfb :9 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=:9
began=$(cut -d' ' -f1 /proc/uptime)
timeout 900 wine wineboot -i >/var/log/qx-bake.log 2>&1
timeout 300 wineserver -w
kill %1 2>/dev/null
# The prefix is good when a 32-bit program of Wine's own runs in it and says so.
if [ -f "$WINEPREFIX/system.reg" ] &&
   timeout 300 wine cmd /c echo qx-prefix-answers >/tmp/qx-check.log 2>&1 &&
   grep -q qx-prefix-answers /tmp/qx-check.log; then
  timeout 100 wineserver -w
  touch "$WINEPREFIX/.qx-prefix-ready-win32"
  echo "qx-guest: prefix baked in $(awk -v b="$began" '{printf "%.1f", $1 - b}' /proc/uptime) s"
else
  tail -5 /var/log/qx-bake.log /tmp/qx-check.log
  echo "qx-guest: the prefix could not be made"
fi
