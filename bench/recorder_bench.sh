#!/usr/bin/env bash
# The image recorder against genisoimage and xorriso: each makes an ISO 9660 + Joliet image of the
# same folder of a few hundred MB, one after the other within a run, and the medians are compared.
#   bench/recorder_bench.sh [RUNS] [MB]      (defaults: 5 runs, 300 MB)
# The folder and the images live under build/bench/recorder (the images on the same disk as the
# folder, so that every tool pays the same for reading and writing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
megabytes=${2:-300}
work="$root/build/bench/recorder"

"$root/scripts/setup.sh"
[ "${QX_BENCH_REBUILD:-1}" = 0 ] || "$root/scripts/build.sh" release >/dev/null
tool="$root/build/release/bin/recorder_bench"

# A project folder like an authoring program prepares: a few large incompressible files, many
# small text files in nested folders.
folder="$work/project-${megabytes}MB"
if [ ! -d "$folder" ]; then
  mkdir -p "$folder.tmp/media" "$folder.tmp/docs"
  large=$((megabytes * 9 / 10 / 30))
  for i in $(seq 1 30); do head -c "$((large * 1048576))" /dev/urandom >"$folder.tmp/media/clip$i.bin"; done
  for d in $(seq 1 20); do
    mkdir -p "$folder.tmp/docs/part$d"
    for f in $(seq 1 50); do
      python3 -c 'import sys; line = ("Line %s of a project document, repeated to make up a small file.\n" % sys.argv[1]).encode(); size = int(sys.argv[2]); sys.stdout.buffer.write((line * (size // len(line) + 1))[:size])' \
        "$d.$f" $(( (megabytes * 1048576 / 10) / 1000 )) >"$folder.tmp/docs/part$d/page$f.txt"
    done
  done
  mv "$folder.tmp" "$folder"
fi
echo "folder: $folder ($(du -sm "$folder" | cut -f1) MB, $(find "$folder" -type f | wc -l) files)"

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
timed() {
  python3 -c 'import subprocess, sys, time
s = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print(f"{time.monotonic() - s:.3f}")' "$@"
}

: >"$work/ours" ; : >"$work/geniso" ; : >"$work/xorriso"
for run in $(seq 1 "$runs"); do
  sync
  "$tool" "$folder" "$work/ours.iso" >>"$work/ours"
  rm -f "$work/geniso.iso" "$work/xorriso.iso"; sync
  timed genisoimage -quiet -J -joliet-long -r -V BENCH -o "$work/geniso.iso" "$folder" >>"$work/geniso"
  sync
  timed xorriso -as mkisofs -quiet -J -joliet-long -r -V BENCH -o "$work/xorriso.iso" "$folder" >>"$work/xorriso"
  echo "run $run: ours $(tail -1 "$work/ours") s, genisoimage $(tail -1 "$work/geniso") s, xorriso $(tail -1 "$work/xorriso") s"
done
# Every image must hold the folder: a fast tool that writes a wrong image proves nothing.
check=$(mktemp -d)
7z x -y -o"$check" "$work/ours.iso" >/dev/null
diff -r "$folder" "$check" >/dev/null && echo "our image holds the folder: yes" || { echo "our image differs from the folder"; exit 1; }
rm -rf "$check"

ours=$(median <"$work/ours"); geniso=$(median <"$work/geniso"); xorr=$(median <"$work/xorriso")
printf 'medians of %d runs: ours %.2f s, genisoimage %.2f s, xorriso %.2f s\n' "$runs" "$ours" "$geniso" "$xorr"
printf 'ratio ours/genisoimage %.2f, ours/xorriso %.2f (below 1: ours is faster)\n' \
  "$(awk -v a="$ours" -v b="$geniso" 'BEGIN {print a / b}')" "$(awk -v a="$ours" -v b="$xorr" 'BEGIN {print a / b}')"
printf 'image sizes: ours %d, genisoimage %d, xorriso %d bytes\n' \
  "$(stat -c %s "$work/ours.iso")" "$(stat -c %s "$work/geniso.iso")" "$(stat -c %s "$work/xorriso.iso")"
