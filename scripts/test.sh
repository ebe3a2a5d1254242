#!/usr/bin/env bash
# Runs every test: installs what is missing, builds all trees, then runs ctest in each tree that
# has tests (native unit and fuzz tests, interop tests against peer LHA tools, end-to-end tests
# under Wine, for the x86_64 and the i686 build). Ends with one summary line ("N passed, N failed,
# N skipped", the reason for skips on the line before) and a non-zero exit code when anything failed.
# Setup and builds print one line per stage (their output is in build/logs/); ctest's own lines
# stay, and are kept in build/logs/ctest-<tree>.log too.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
logs="$root/build/logs"

"$root/scripts/setup.sh" all || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

passed=0 failed=0 skipped=0 reasons="" status=0
# The i686 tests (label win32) come last, alone: where this machine cannot run them, an emulated
# guest does (tests/guest; QX_GUEST=0 turns it off), and it is slow enough without the host's tests
# beside it. Its image is built the first time (several minutes) and kept in /var/cache/qx-guest.
# In the guest a fixed sample runs by default, to keep the whole run within CI's time: the library
# guard, the image recorder's scenarios through the stdcall slots, and whole sessions;
# QX_GUEST_TESTS=all runs every i686 test (or a ctest regular expression, those it matches).
guest_sample='^(rwlib_win32_.*|e2e_win32_(library_guard|session_end))$'
for run in native release win64 win32; do
  tree=$run select=()
  case $run in
    win64) select=(-LE win32) ;;
    win32)
      tree=win64 select=(-L win32)
      if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        case ${QX_GUEST_TESTS:-sample} in
          all) ;;
          sample) select+=(-R "$guest_sample") ;;
          *) select+=(-R "$QX_GUEST_TESTS") ;;
        esac
      fi
      if [ "${QX_GUEST:-1}" != 0 ]; then
        mkdir -p "$logs"
        began=$(date +%s)
        if python3 "$root/tests/guest/guest.py" prepare >"$logs/guest-image.log" 2>&1; then
          echo "guest: image ready in $(( $(date +%s) - began )) s: $(tail -1 "$logs/guest-image.log")"
        else
          echo "guest: the image could not be built (see $logs/guest-image.log):"
          tail -5 "$logs/guest-image.log"
        fi
      fi ;;
  esac
  dir="$root/build/$tree"
  [ -f "$dir/CTestTestfile.cmake" ] || continue
  echo "== ctest build/$tree ${select[*]}"
  mkdir -p "$logs"
  log="$logs/ctest-$run.log"
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j "$(nproc)" "${select[@]}" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    # ctest counts a skipped test among the passed ones; it lists it under "did not run".
    skip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log")
    passed=$((passed + total - bad - skip)); failed=$((failed + bad)); skipped=$((skipped + skip))
    if ((skip)); then
      # Each skipped test says why in its output ("skipped: ..."), which ctest keeps in its log.
      reasons+=$(grep -h '^skipped: ' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null)$'\n'
    fi
  fi
  [ "$rc" -eq 0 ] || status=1
  if [ "$run" = win32 ]; then
    # The guest's own account of its boot and its work (the fixtures' output is not shown by ctest).
    grep -h '^guest: ' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u
  fi
done

echo "test time: $(( $(date +%s) - start )) s"
if ((skipped)); then
  reason=$(sort -u <<<"$reasons" | sed '/^$/d' | paste -sd ';' -)
  echo "${reason:-skipped: no reason given (see build/*/Testing/Temporary/LastTest.log)}"
fi
echo "$passed passed, $failed failed, $skipped skipped"
exit $status
