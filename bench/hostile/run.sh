#!/bin/sh
# Hostile artwork files and what `velloway colorart` makes of each: exit status, wall time,
# peak RSS (/usr/bin/time), the first line of stderr.
#
#   bench/hostile/run.sh [BUILD_DIR]     (default build/default; another build to compare)
#
# The files are made in a temporary folder: a 44-byte PNG whose chunk says 0x7fffffff bytes; a
# 64 x 64 PNG whose image data goes on for 1 GiB of zeros (1 MB compressed); a progressive
# 8192 x 8192 JPEG with one small scan repeated to 5000 scans; a 4096 x 4096 JPEG of 190 scans
# that follow the rules (one per AC coefficient and component); 2.9 KB of a real JPEG whose header
# is made to claim 8192 x 8192; a real JPEG cut in half with an end marker appended; CMYK and
# YCCK JPEGs (Adobe's inverted inks) of solid red. Needs gcc, libjpeg's headers, python3 and
# the mate-backgrounds photos.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/default}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
gcc -O2 "$here/make-jpegs.c" -o make-jpegs -ljpeg
./make-jpegs
python3 "$here/make-files.py" >/dev/null
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for f in chunk-length.png zero-gib.png 5000-scans.jpg 190-scans.jpg claims-8192.jpg half.jpg cmyk.jpg ycck.jpg; do
  status=0
  /usr/bin/time -f "%e %M" -o time.txt timeout 150 "$build/bin/velloway" colorart "$f" >out.txt 2>err.txt || status=$?
  printf '%-18s exit %s  %6s s  %6s MB  %s | %s\n' "$f" "$status" "$(tail -1 time.txt | cut -d' ' -f1)" \
    "$(( $(tail -1 time.txt | cut -d' ' -f2) / 1024 ))" "$(head -1 err.txt | sed "s|velloway colorart: $f: ||")" \
    "$(head -1 out.txt)"
done
