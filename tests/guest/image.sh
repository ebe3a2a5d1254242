#!/usr/bin/env bash
# Builds the emulated guest that runs the i686 build's end-to-end tests where this machine cannot
# start 32-bit programs: a Debian 12 amd64 system with 32-bit Wine, Xvfb and the tools the tests
# call, its kernel and initrd beside it, and a Wine prefix made once inside the guest and kept in
# the image (a fresh one costs a minute or more of guest time on every run).
#
# Usage: image.sh [--check]
#   The result lives under QX_GUEST_CACHE (default /var/cache/qx-guest), outside any work tree, so
#   that every clone on this machine reuses it. Its stamp has two halves: the hash of this file and
#   of the guest's init (a change builds a new system), and the hash of bake.sh (a change only makes
#   the prefix again, in the system there is). An unchanged recipe returns at once. --check only
#   says whether the image is current (exit 0) or not (exit 1).
# Needs root (debootstrap, chroot), debootstrap, e2fsprogs and qemu-system-x86 (scripts/setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
cache=${QX_GUEST_CACHE:-/var/cache/qx-guest}
system_stamp=$(cat "$here/image.sh" "$here/init.sh" | sha256sum | cut -c1-16)
prefix_stamp=$(sha256sum <"$here/bake.sh" | cut -c1-16)
suite=bookworm

system_current() { [ -f "$cache/stamp" ] && [ "$(cut -d' ' -f1 "$cache/stamp")" = "$system_stamp" ] &&
                   [ -f "$cache/root.img" ] && [ -f "$cache/vmlinuz" ] && [ -f "$cache/initrd.img" ]; }
current() { system_current && [ "$(cut -d' ' -s -f2 "$cache/stamp")" = "$prefix_stamp" ]; }

# Boots the guest once with the image writable to make its prefix (bake.sh, from this tree).
bake() {
  local image=$1 kernel=$2 initrd=$3 log=$4
  timeout 1200 qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -m 4096 -nographic -no-reboot \
    -nic none -kernel "$kernel" -initrd "$initrd" -drive "file=$image,format=raw,if=virtio" \
    -virtfs "local,path=$tree,mount_tag=qxtree,security_model=none,id=qxtree,readonly=on" \
    -append "root=/dev/vda rw console=ttyS0 quiet init=/sbin/qx-init qx.mode=bake qx.tree=$tree" \
    </dev/null >"$log" 2>&1 || true
  grep -a 'qx-guest: prefix baked' "$log" || { tail -30 "$log"; return 1; }
}

if [ "${1:-}" = "--check" ]; then current; exit; fi
mkdir -p "$cache"
exec 8>"$cache/.lock"
flock 8
stamp="$system_stamp $prefix_stamp"
if current; then echo "guest image: current ($cache, recipe $stamp)"; exit 0; fi
[ "$(id -u)" -eq 0 ] || { echo "guest image: building it needs root" >&2; exit 1; }
if system_current; then
  start=$(date +%s)
  echo "guest image: making the Wine prefix again in the system there is"
  bake "$cache/root.img" "$cache/vmlinuz" "$cache/initrd.img" "$cache/bake.log" || exit 1
  echo "$stamp" >"$cache/stamp"
  echo "guest image: prefix made in $(($(date +%s) - start)) s: $cache"
  exit 0
fi

# The packages come from the mirror this machine's apt uses, unless QX_GUEST_MIRROR names one.
mirror=${QX_GUEST_MIRROR:-$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
                            grep -v -- '-security' | head -1)}
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $3 !~ /security/ {print $2; exit}' /etc/apt/sources.list)
[ -n "$mirror" ] || { echo "guest image: no Debian mirror found (set QX_GUEST_MIRROR)" >&2; exit 1; }

start=$(date +%s)
work="$cache/build"
root="$work/root"
# A chroot of an earlier, interrupted build may still have file systems mounted.
for m in proc sys dev/pts dev; do umount "$root/$m" 2>/dev/null || true; done
# An interrupted build starts again after the base system, when it has one of the same kind.
base="$suite minbase amd64 $mirror"
if [ "$(cat "$work/base.done" 2>/dev/null)" != "$base" ] || [ ! -x "$root/bin/bash" ]; then
  rm -rf "$work" && mkdir -p "$work"
  echo "guest image: debootstrap $suite from $mirror"
  timeout 1800 debootstrap --variant=minbase --arch=amd64 "$suite" "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; exit 1; }
  echo "$base" >"$work/base.done"
fi
t1=$(date +%s)

mount -t proc proc "$root/proc"; mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"; mount --bind /dev/pts "$root/dev/pts"
trap 'for m in dev/pts dev sys proc; do umount "$root/$m" 2>/dev/null || true; done' EXIT

cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror $suite main
deb $mirror $suite-updates main
SOURCES
# The initramfs is made in a chroot, which sees the host's hardware, not the guest's: the root's
# virtio disk and its file system are named.
mkdir -p "$root/etc/initramfs-tools"
printf '%s\n' virtio_pci virtio_blk ext4 >"$root/etc/initramfs-tools/modules"
echo qx-guest >"$root/etc/hostname"
packages=(linux-image-amd64 initramfs-tools udev kmod procps
          wine wine64 wine32:i386 fonts-wine xvfb xauth
          python3 libstdc++6 p7zip-full genisoimage xorriso diffutils findutils)
echo "guest image: installing ${packages[*]}"
# The i386 packages' maintainer scripts that run 32-bit programs fail here ("Exec format error"),
# as this machine cannot start those: their files are in place all the same, and the guest runs
# them. The check below is on what the tests need.
chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive LC_ALL=C bash -c "
  dpkg --add-architecture i386 && apt-get update -qq &&
  { apt-get install -y -qq --no-install-recommends ${packages[*]} || dpkg --configure -a || true; }
  apt-get clean" >"$work/packages.log" 2>&1 || { tail -30 "$work/packages.log"; exit 1; }
for f in /usr/lib/wine/wine /usr/lib/wine/wine64 /usr/bin/Xvfb /usr/bin/python3 /usr/bin/7z \
         /usr/bin/isoinfo /usr/bin/xorriso; do
  [ -e "$root$f" ] || { echo "guest image: $f is missing"; tail -30 "$work/packages.log"; exit 1; }
done
t2=$(date +%s)

install -m 755 "$here/init.sh" "$root/sbin/qx-init"
cp "$root"/boot/vmlinuz-* "$work/vmlinuz"
cp "$root"/boot/initrd.img-* "$work/initrd.img"
for m in dev/pts dev sys proc; do umount "$root/$m"; done
trap - EXIT
rm -rf "$root/boot"/* "$root/var/cache/apt"/*.bin "$root/var/lib/apt/lists"/*
# Room for the tests' prefixes and scratch files; the runs write to a throw-away overlay.
size=$(( $(du -sm "$root" | cut -f1) + 3072 ))
mkfs.ext4 -q -F -L qxroot -d "$root" "$work/root.img" "${size}M"
t3=$(date +%s)

# The prefix is made inside the guest, where 32-bit Wine runs: one boot that writes to the image.
echo "guest image: making the Wine prefix inside the guest"
bake "$work/root.img" "$work/vmlinuz" "$work/initrd.img" "$work/bake.log" || exit 1
t4=$(date +%s)

rm -rf "$root"
for f in root.img vmlinuz initrd.img; do mv "$work/$f" "$cache/$f"; done
mv "$work"/*.log "$cache/" 2>/dev/null || true
echo "$stamp" >"$cache/stamp"
echo "guest image: built in $((t4 - start)) s (debootstrap $((t1 - start)) s, packages $((t2 - t1)) s," \
     "image $((t3 - t2)) s, prefix $((t4 - t3)) s): $cache"
