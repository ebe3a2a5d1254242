#!/usr/bin/env bash
# Installs what the build, the tests and the demo need from Debian 12's packages. Safe to run again:
# it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev googletest libgtest-dev python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth
  lhasa p7zip-full jlha-utils libjlha-java default-jre-headless
  xorriso genisoimage
  libwine nsis-common hyperfine
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
