#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a chosen number of minutes each, one after the
# other, starting from its saved corpus (tests/fuzz/corpus/<target>/), then merges the inputs that
# found new coverage back into that corpus. Findings (crash-*, timeout-*, leak-*, oom-*) are left
# under build/native/fuzz/<target>/ for a look; the saved corpus only ever gains inputs.
# Usage: scripts/fuzz.sh [minutes] [target...]      (default: 10 minutes, every target)
# Run it under `nice -n 19` on a shared machine: each target uses one process (-jobs=1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}
[[ $minutes =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: minutes must be a whole number from 1" >&2; exit 2; }
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(sed -nE 's/^qx_fuzz_target\(([a-z0-9_]+) .*/\1/p' "$root"/tests/fuzz/*.cmake)
fi

tree="$root/build/native"
[ -f "$tree/build.ninja" ] || "$root/scripts/build.sh" native
cmake --build "$tree" --target "${targets[@]/#/fuzz_}"

# Seconds (of wall time) one input may take before it counts as a hang: generous, because under
# nice on a busy machine an input of a few hundred milliseconds can take many seconds, and the
# corpus holds members of up to a megabyte that decode under the sanitizers. Inputs that ran over
# ten seconds are also left as slow-unit-* for a look.
timeout=120
count() { find "$1" -type f | wc -l; }
status=0
for t in "${targets[@]}"; do
  saved="$root/tests/fuzz/corpus/$t"
  work="$tree/fuzz/$t"
  bin="$tree/bin/fuzz_$t"
  [ -d "$saved" ] || { echo "fuzz: no corpus folder $saved" >&2; exit 2; }
  rm -rf "$work" && mkdir -p "$work/corpus"
  cp -r "$saved/." "$work/corpus/"
  echo "== fuzz_$t: $minutes min, log $work/fuzz-0.log"
  # -jobs=1 runs one worker process writing fuzz-0.log in the current folder.
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 "$bin" -jobs=1 -max_total_time=$((minutes * 60)) \
     -timeout=$timeout -rss_limit_mb=2048 -artifact_prefix="$work/" corpus >/dev/null 2>&1) || true
  before=$(count "$saved")
  "$bin" -merge=1 -timeout=$timeout -rss_limit_mb=2048 -artifact_prefix="$work/merge-" \
    "$saved" "$work/corpus" >"$work/merge.log" 2>&1 || true
  after=$(count "$saved")
  runs=$(grep -oE '^Done [0-9]+ runs' "$work/fuzz-0.log" | grep -oE '[0-9]+' | tail -1 || true)
  findings=$(find "$work" -maxdepth 1 -type f \
    \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' -o -name 'oom-*' -o -name 'merge-*' \) | wc -l)
  echo "fuzz_$t: runs ${runs:-unknown (stopped early, see the log)}, new corpus inputs $((after - before)), findings $findings"
  if ((findings > 0)); then
    find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' \
      -o -name 'oom-*' -o -name 'merge-*' \) -printf '  %p\n'
    status=1
  fi
done
exit $status
