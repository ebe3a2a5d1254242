#!/usr/bin/env bash
# Installs what is missing from Debian 12's packages, in one of two sets:
#   demo  what scripts/demo.sh needs: the release tree's qxarc, the win64 tree's applet and
#         stand-ins, 64-bit Wine, Xvfb and 7-Zip (no 32-bit Wine, no peer LHA tools, no Java)
#   all   everything the builds and the tests need (the default; scripts/test.sh)
# Safe to run again: it installs only what is missing. One line per stage; the package manager's
# output goes to build/logs/setup.log.
# Usage: scripts/setup.sh [demo|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stage.sh"
set_name=${1:-all}

demo_packages=(
  cmake ninja-build g++ python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth p7zip-full
)
all_packages=(
  "${demo_packages[@]}"
  make clang clang-format-14 libclang-rt-14-dev googletest libgtest-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  lhasa jlha-utils libjlha-java default-jre-headless
  xorriso genisoimage
  libwine nsis-common hyperfine
  qemu-system-x86 debootstrap
)
case "$set_name" in
  demo) packages=("${demo_packages[@]}") ;;
  all)  packages=("${all_packages[@]}") ;;
  *) echo "setup: unknown package set $set_name (demo or all)" >&2; exit 2 ;;
esac
log="$QX_LOGS/setup.log"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q && apt-get install -y -q "$@"
}

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install these packages: ${missing[*]}" >&2
    exit 1
  fi
  run_stage "setup: installing ${#missing[@]} packages" "$log" apt_install "${missing[@]}" || exit 1
  installed=$(grep -c '^Setting up ' "$log" || true)
  echo "setup: ${#missing[@]} packages (${installed} with what they depend on) in build/logs/setup.log"
else
  echo "setup: the ${#packages[@]} packages of the $set_name set are installed"
fi
[ "$set_name" = all ] || exit 0

# 32-bit Wine runs the i686 build's end-to-end tests; it needs Debian's i386 architecture. A machine
# that cannot have it still runs everything else: those tests then report themselves as skipped.
wine32_install() {
  { dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; } &&
    apt_install wine32:i386
}
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: 32-bit Wine (wine32:i386) is missing and only root can install it:" \
         "the i686 build's end-to-end tests will be skipped" >&2
  elif ! QX_LOG_TAIL=10 run_stage "setup: installing 32-bit Wine (wine32:i386)" "$QX_LOGS/setup-wine32.log" \
         wine32_install; then
    echo "setup: 32-bit Wine (wine32:i386) could not be installed:" \
         "the i686 build's end-to-end tests will be skipped" >&2
  fi
fi
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "setup: 32-bit Wine is installed, but this machine cannot run 32-bit programs:" \
       "the i686 build's end-to-end tests run in the emulated guest (tests/guest)" >&2
fi
