#!/usr/bin/env bash
# Runs every test: installs what is missing, builds all trees, then runs ctest in each tree that
# has tests (native unit and fuzz tests, interop tests against peer LHA tools, end-to-end tests
# under Wine). Ends with one summary line and a non-zero exit code when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || { echo "build failed"; exit 1; }

passed=0 failed=0 status=0
for tree in native release win64; do
  dir="$root/build/$tree"
  [ -f "$dir/CTestTestfile.cmake" ] || continue
  echo "== ctest build/$tree"
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j "$(nproc)" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  fi
  [ "$rc" -eq 0 ] || status=1
  rm -f "$log"
done

echo "test time: $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
exit $status
