#!/usr/bin/env bash
# Fails when a C++ file of the checkout is not in the shape .clang-format gives it (Debian 12's
# clang-format 14: another version formats some constructs differently). Prints each file that
# drifted; `clang-format-14 -i FILE` puts it back in shape.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$tool" ] || { echo "check-format: clang-format 14 is not installed (scripts/setup.sh installs it)"; exit 1; }
if [ -d .git ] || git rev-parse --git-dir >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -co --exclude-standard '*.cpp' '*.h' '*.c')
else
  mapfile -t files < <(find src tools tests standins bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print)
fi
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  "$tool" --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if ((${#bad[@]})); then
  printf 'check-format: not in shape: %s\n' "${bad[@]}"
  echo "check-format: ${#bad[@]} of ${#files[@]} files drifted"
  exit 1
fi
echo "check-format: ${#files[@]} files in shape"
