#!/usr/bin/env bash
# Configures and builds trees under build/:
#   native   Linux, clang, AddressSanitizer + UndefinedBehaviorSanitizer, unit tests and fuzzers
#   release  Linux, optimised: qxarc for benchmarks and interop runs
#   win64    Windows x86_64 (MinGW-w64): applet, stand-ins, uiprobe, qxarc.exe, end-to-end tests
#   win32    Windows i686 (MinGW-w64): the applet must build and fit
# Usage: scripts/build.sh [tree[:target,target...]...]   (default: all four trees, every target)
# One line per tree with its time; CMake's and the compilers' output go to build/logs/build-<tree>.log
# (QX_VERBOSE=1 shows it as well). A tree named with targets builds only those.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stage.sh"
trees=("$@")
((${#trees[@]})) || trees=(native release win64 win32)
jobs=$(nproc)
# A compiler cache, where one is installed, shares objects between trees and checkouts.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" "${launcher[@]}" &&
    cmake --build "$dir" -j "$jobs" "$@"
}

for request in "${trees[@]}"; do
  tree=${request%%:*}
  targets=()
  label="build: $tree"
  if [[ $request == *:* ]]; then
    IFS=, read -r -a names <<<"${request#*:}"
    for name in "${names[@]}"; do targets+=(--target "$name"); done
    label="build: $tree (${request#*:})"
  fi
  dir="$root/build/$tree"
  case "$tree" in
    native)  args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                   -DQX_SANITIZE=ON -DQX_BUILD_TESTS=ON -DQX_BUILD_FUZZ=ON) ;;
    release) args=(-DCMAKE_BUILD_TYPE=Release -DQX_BUILD_INTEROP=ON) ;;
    win64)   args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake") ;;
    win32)   args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake") ;;
    *) echo "build: unknown tree $tree" >&2; exit 2 ;;
  esac
  log="$QX_LOGS/build-$tree.log"
  run_stage "$label" "$log" configure_and_build "$dir" "${targets[@]}" || exit 1
  # The applet's size is the one figure of a build that matters to a reader (CMake prints it when
  # the applet is linked anew).
  size=$(grep -oE 'applet\.exe: linked size [0-9]+ bytes, padded to [0-9]+ bytes' "$log" | tail -n 1 || true)
  [ -z "$size" ] || echo "  $size"
done
