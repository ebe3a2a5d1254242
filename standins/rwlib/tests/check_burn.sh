#!/usr/bin/env bash
# Burns a project of nested folders with long names through the applet's binding into RwLib.dll's
# image, then reads the image back with peer tools: 7z must extract files identical to the project,
# and isoinfo must list the same tree through the Joliet names, under the volume name of the call.
# Usage: check_burn.sh WINE_RUNNER PROBE_EXE WORK_DIR
set -euo pipefail
runner=$1 probe=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$runner" "$probe" burn
[ -s disc.iso ] || { echo "no disc image"; exit 1; }

7z x -y -oextracted disc.iso >/dev/null
diff -r project extracted && echo "7z: extracted tree is identical"

# The primary descriptor carries the volume name in d-characters, the Joliet one as given.
vol=$(isoinfo -d -i disc.iso | sed -n 's/^Volume id: //p')
[ "$vol" = "MY_PROJECT" ] || { echo "primary volume id '$vol'"; exit 1; }
jvol=$(python3 -c 'import sys; d=open("disc.iso","rb").read(); print(d[17*2048+40:17*2048+72].decode("utf-16-be").rstrip())')
[ "$jvol" = "MY PROJECT" ] || { echo "Joliet volume id '$jvol'"; exit 1; }
echo "volume: $vol / $jvol"

# isoinfo prints Joliet names in Latin-1.
(cd project && find . -mindepth 1 | sed 's|^\.||' | LC_ALL=C sort) > want.txt
isoinfo -f -J -i disc.iso | iconv -f latin1 -t utf-8 | LC_ALL=C sort > got.txt
diff want.txt got.txt && echo "isoinfo: Joliet tree matches"

files=$(cd project && find . -type f | wc -l)
listed=$(xorriso -abort_on NEVER -indev disc.iso -find / -type f 2>/dev/null | grep -c "^'" || true)
[ "$files" -eq "$listed" ] || { echo "xorriso lists $listed files, project has $files"; exit 1; }
echo "xorriso: $listed files"
