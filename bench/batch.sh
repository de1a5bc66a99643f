#!/bin/sh
# Whole processes side by side: `velloway colorart` on the 14 photos of mate-backgrounds (one
# core and every core) against each palette peer running over the same files in one node
# process; then a folder of 2,000 files (copies of the photos at several sizes): throughput and
# peak RSS (/usr/bin/time -v), beside a run on a tenth of it to show that memory stays flat.
#
#   bench/batch.sh            (needs the peers installed by bench/peers/compare.sh)
#   RUNS=5 FILES=2000 bench/batch.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${VELLOWAY_BUILD_DIR:-$root/build/default}
velloway="$build/bin/velloway"
runs=${RUNS:-3}
files=${FILES:-2000}
photos="/usr/share/backgrounds/mate/nature/*.jpg /usr/share/backgrounds/mate/desktop/GreenTraditional.jpg /usr/share/backgrounds/mate/abstract/Elephants.jpg"
# shellcheck disable=SC2086
set -- $photos
[ $# -eq 14 ] || { echo "batch.sh: expected 14 photos from mate-backgrounds, found $#" >&2; exit 1; }
(cd "$here/peers" && [ -d node_modules ] || npm ci --no-audit --no-fund --loglevel=error)

# Median wall time in seconds of RUNS runs of a command.
median() {
  for i in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
  done | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
echo "14 photos, whole processes, median of $runs runs (s):"
ours1=$(median "$velloway" colorart --jobs 1 "$@")
ours=$(median "$velloway" colorart "$@")
printf '  %-28s %8.3f\n' "velloway colorart --jobs 1" "$ours1" "velloway colorart (all cores)" "$ours"
best=
for peer in colorthief node-vibrant get-image-colors; do
  t=$(median node "$here/peers/batch.mjs" "$peer" "$@")
  printf '  %-28s %8.3f   %5.1fx velloway\n' "$peer" "$t" "$(echo "$t / $ours" | bc -l)"
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
done
printf '  fastest peer / velloway: %.1fx (one core: %.1fx)\n' "$(echo "$best / $ours" | bc -l)" "$(echo "$best / $ours1" | bc -l)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
node "$here/peers/batch.mjs" --make-folder "$work/many" "$files" "$@"
mkdir -p "$work/tenth"
find "$work/many" -name '*.jpg' | sort | head -n $((files / 10)) | while read -r f; do cp "$f" "$work/tenth/"; done
count=$(find "$work/many" -name '*.jpg' | wc -l)
echo "folder of $count files ($(du -sh "$work/many" | cut -f1)):"
for dir in "$work/tenth" "$work/many"; do
  n=$(find "$dir" -name '*.jpg' | wc -l)
  /usr/bin/time -v "$velloway" colorart --json "$dir" >/dev/null 2>"$work/time.txt" || true
  wall=$(grep 'Elapsed (wall clock)' "$work/time.txt" | awk '{print $NF}' | awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  rss=$(grep 'Maximum resident set size' "$work/time.txt" | awk '{print $NF}')
  printf '  %5d files: %7.2f s, %6.1f files/s, peak RSS %6.1f MB\n' "$n" "$wall" "$(echo "$n / $wall" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
done
