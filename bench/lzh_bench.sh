#!/usr/bin/env bash
# Benchmark of the "LZH" method (the -lh1- bit stream): our decoding throughput next to lhasa's
# (bare streams with qxcodec, and whole archives with qxarc), and our compression ratio next to
# jLHA's, on the LHA benchmark corpus (classes pe, text, gz).
# Writes the table to bench/LZH.md.
#   bench/lzh_bench.sh [RUNS]     RUNS: paired timing runs per class (default 7)
# Needs the release tree (built here when missing), python3, lhasa, java with libjlha-java.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
tools=${QX_LHA_TOOLS:-$root/../shared/tools/lha}
corpus=$root/build/bench/corpus  # shared with bench/run.sh
work=$root/build/bench/work-lzh

[ -x "$root/build/release/bin/qxcodec" ] && [ -x "$root/build/release/bin/qxarc" ] ||
  "$root/scripts/build.sh" release
if [ ! -f "$corpus/filelist-all.txt" ]; then
  # The manifest pins package versions; where they moved on, the corpus is close enough.
  python3 "$tools/build_corpus.py" build "$corpus" ||
    python3 "$tools/build_corpus.py" build "$corpus" --allow-mismatch
fi
exec python3 "$root/bench/lzh_bench.py" --bin "$root/build/release/bin" --tools "$tools" \
  --corpus "$corpus" --work "$work" --runs "$runs" --out "$root/bench/LZH.md"
