#!/usr/bin/env bash
# Configures and builds every tree under build/:
#   native   Linux, clang, AddressSanitizer + UndefinedBehaviorSanitizer, unit tests and fuzzers
#   release  Linux, optimised: qxarc for benchmarks and interop runs
#   win64    Windows x86_64 (MinGW-w64): applet, stand-ins, uiprobe, qxarc.exe, end-to-end tests
#   win32    Windows i686 (MinGW-w64): the applet must build and fit
# Usage: scripts/build.sh [tree...]   (default: all four)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
trees=("$@")
((${#trees[@]})) || trees=(native release win64 win32)
jobs=$(nproc)
# A compiler cache, where one is installed, shares objects between trees and checkouts.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi

for tree in "${trees[@]}"; do
  dir="$root/build/$tree"
  case "$tree" in
    native)  args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                   -DQX_SANITIZE=ON -DQX_BUILD_TESTS=ON -DQX_BUILD_FUZZ=ON) ;;
    release) args=(-DCMAKE_BUILD_TYPE=Release -DQX_BUILD_INTEROP=ON) ;;
    win64)   args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake") ;;
    win32)   args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake") ;;
    *) echo "build: unknown tree $tree" >&2; exit 2 ;;
  esac
  echo "== build/$tree"
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" "${launcher[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
done
