#!/bin/bash
# The guest's first and only process (the kernel starts it with init=): no service manager, no
# network. It mounts the host's work tree (9p, tag qxtree) at the same path it has on the host, so
# that every absolute path of the build trees holds inside, and hands over to the tree's own guest
# scripts: qx.mode=bake makes the Wine prefix that the image keeps (bake.sh), qx.mode=run starts the
# agent, which runs the tests the host asks for. Kept this small on purpose: the image holds a copy,
# and a change here means a new image, while the scripts it calls change with the tree. The machine
# powers off when the script ends, whatever it did.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mount -t proc proc /proc; mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null; mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run
hostname qx-guest
ip link set lo up 2>/dev/null || true
param() { tr ' ' '\n' </proc/cmdline | sed -n "s/^$1=//p" | tail -1; }
echo "qx-guest: up after $(cut -d' ' -f1 /proc/uptime) s"
tree=$(param qx.tree)
mkdir -p "$tree"
modprobe 9pnet_virtio 2>/dev/null; modprobe 9p 2>/dev/null
# The tree through the page cache (cache=loose): Wine maps the programs and libraries it starts,
# and without the cache the sections of a larger one come out as zeros past a point. Nothing on
# the host changes the tree while the guest runs, but for the exchange folder, where the host
# leaves its requests: that one is a share of its own, read without a cache.
exchange=$(param qx.exchange)
options=trans=virtio,version=9p2000.L,msize=524288
if ! mount -t 9p -o "$options,cache=loose" qxtree "$tree"; then
  echo "qx-guest: cannot mount the work tree at $tree"
elif [ "$(param qx.mode)" = bake ]; then
  bash "$tree/tests/guest/bake.sh"
elif ! mount -t 9p -o "$options" qxexchange "$exchange"; then
  echo "qx-guest: cannot mount the exchange folder at $exchange"
else
  python3 "$tree/tests/guest/agent.py" "$exchange"
fi
sync; echo o >/proc/sysrq-trigger; sleep 30
