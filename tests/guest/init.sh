#!/bin/bash
# The guest's first and only process (the kernel starts it with init=): no service manager, no
# network. qx.mode=bake makes the Wine prefix that the image keeps; qx.mode=run mounts the host's
# work tree (9p, tag qxtree) at the same path it has on the host, so that every absolute path of
# the build trees holds inside, and hands over to the agent there, which runs the tests the host
# asks for. The machine powers off when the script ends, whatever it did.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mount -t proc proc /proc; mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null; mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run
hostname qx-guest
ip link set lo up 2>/dev/null || true
param() { tr ' ' '\n' </proc/cmdline | sed -n "s/^$1=//p" | tail -1; }
off() { sync; echo o >/proc/sysrq-trigger; sleep 30; }
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "qx-guest: up after $(cut -d' ' -f1 /proc/uptime) s"

case "$(param qx.mode)" in
bake)
  export WINEPREFIX=/opt/qx/prefix
  mkdir -p /opt/qx
  Xvfb :9 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:9
  timeout 900 wine wineboot -i >/var/log/qx-bake.log 2>&1
  timeout 300 wineserver -w
  kill %1 2>/dev/null
  # Marks the prefix as complete for scripts/wine-run.sh, which the recorder's probe runs under.
  [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.qx-prefix-ready-wow64" &&
    echo "qx-guest: prefix baked"
  ;;
run)
  tree=$(param qx.tree)
  mkdir -p "$tree"
  modprobe 9pnet_virtio 2>/dev/null; modprobe 9p 2>/dev/null
  if mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288 qxtree "$tree"; then
    python3 "$tree/tests/guest/agent.py" "$(param qx.exchange)"
  else
    echo "qx-guest: cannot mount the work tree at $tree"
  fi
  ;;
esac
off
