#!/usr/bin/env bash
# Installs what the build, the tests and the demo need from Debian 12's packages. Safe to run again:
# it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang clang-format-14 libclang-rt-14-dev googletest libgtest-dev python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth
  lhasa p7zip-full jlha-utils libjlha-java default-jre-headless
  xorriso genisoimage
  libwine nsis-common hyperfine
  qemu-system-x86 debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then echo "setup: run as root to install packages" >&2; exit 1; fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

# 32-bit Wine runs the i686 build's end-to-end tests; it needs Debian's i386 architecture. A machine
# that cannot have it still runs everything else: those tests then report themselves as skipped.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "setup: installing wine32:i386 (32-bit Wine for the i686 build's tests)"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: 32-bit Wine (wine32:i386) is missing and only root can install it:" \
         "the i686 build's end-to-end tests will be skipped" >&2
  elif ! { dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; } ||
       ! DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
       ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386; then
    echo "setup: 32-bit Wine (wine32:i386) could not be installed:" \
         "the i686 build's end-to-end tests will be skipped" >&2
  fi
fi
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "setup: 32-bit Wine is installed, but this machine cannot run 32-bit programs:" \
       "the i686 build's end-to-end tests will be skipped" >&2
fi
