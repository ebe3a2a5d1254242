#!/usr/bin/env bash
# One command for the "LH5" benchmark: installs the peer tools if missing, builds the release
# tree and the corpus (cached under build/bench), then measures our archiver against lhasa,
# 7-Zip and jlha on the same files, as whole processes, and prints the results table.
#   bench/run.sh [--runs N] [--classes pe,text,gz,all] [--before OLD_QXARC]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tools=${QX_LHA_TOOLS:-$root/../shared/tools/lha}

for t in lhasa 7z jlha hyperfine java; do
  if ! command -v "$t" >/dev/null; then "$root/scripts/setup.sh"; break; fi
done
# Peak memory is read from GNU time around each tool.
[ -x /usr/bin/time ] || { echo "bench: needs GNU time as /usr/bin/time (Debian package time)" >&2; exit 1; }
[ -x "$root/build/release/bin/qxarc" ] && [ "${QX_BENCH_REBUILD:-1}" = 0 ] || "$root/scripts/build.sh" release

corpus=$root/build/bench/corpus
if [ ! -f "$corpus/filelist-all.txt" ]; then
  python3 "$tools/build_corpus.py" build "$corpus" ||
    python3 "$tools/build_corpus.py" build --allow-mismatch "$corpus"
fi
exec python3 "$root/bench/bench.py" --bin "$root/build/release/bin" --tools "$tools" \
  --corpus "$corpus" --work "$root/build/bench/work" "$@"
