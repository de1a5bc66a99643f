#!/usr/bin/env bash
# `cmake --install` into a temporary prefix, then proves that nothing reaches back into the
# build tree: no installed file names the source or build folder, every run path is relative
# ($ORIGIN), no binary carries debug information, and the demo, run from a copy of the prefix at
# another path (the first one removed), draws every picture with the installed fonts and pane.
# Usage: install-prefix.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd -P)
source=$(cd "$2" && pwd -P)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for component in velloway colorart python; do
  cmake --install "$build" --prefix "$work/prefix" --component $component >/dev/null
done

if found=$(grep -rlF -e "$build" -e "$source" "$work/prefix"); then
  fail "installed files name the build or source folder: $found"
fi

elves=0
while IFS= read -r -d '' file; do
  [[ $(head -c 4 "$file" | od -An -c | tr -d ' ') == 177ELF ]] || continue
  elves=$((elves + 1))
  while read -r path; do
    IFS=: read -ra entries <<<"$path"
    for entry in "${entries[@]}"; do
      [[ $entry == '$ORIGIN'* ]] || fail "${file#$work/} has the run path entry '$entry'"
    done
  done < <(readelf -d "$file" | sed -n 's/.*(R\(UN\)\?PATH).*\[\(.*\)\]/\2/p')
  if readelf -S "$file" | grep -q '\.debug_info'; then fail "${file#$work/} carries debug information"; fi
done < <(find "$work/prefix" -type f -print0)
# The command, five platform libraries, the commands, window and video libraries, the two
# deliverables, the colour library and the Python module's extension.
[[ $elves -ge 13 ]] || fail "only $elves ELF files installed"

cp -a "$work/prefix" "$work/moved"
rm -rf "$work/prefix"
"$work/moved/bin/velloway" demo --out "$work/demo" >"$work/demo.log" 2>&1 || { tail -20 "$work/demo.log"; fail "the demo failed"; }
if grep -i "not found\|cannot load" "$work/demo.log"; then fail "the moved installation missed one of its files"; fi
# Every picture the transcript announces is there and is a PNG.
mapfile -t pictures < <(grep -o '[0-9][0-9]*-[a-z0-9-]*\.png' "$work/demo/transcript.txt" | sort -u)
[[ ${#pictures[@]} -ge 5 ]] || fail "the transcript names only ${#pictures[@]} pictures"
for picture in "${pictures[@]}"; do
  [[ $(head -c 8 "$work/demo/$picture" 2>/dev/null | od -An -c | tr -d ' ') == '211PNG\r\n032\n' ]] || fail "$picture is missing or not a PNG"
done
# Debian's python3 imports the moved module, which finds the moved colour library by its run
# path, and agrees with the command.
cover=$source/tests/scenarios/data/cover.jpg
command=$("$work/moved/bin/velloway" colorart --json "$cover" | /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["background"]["hex"])')
python=$(PYTHONPATH=$(echo "$work"/moved/lib/python3*/dist-packages) /usr/bin/python3 -c \
  'import sys, velloway; print(velloway.colorart(sys.argv[1]).background.hex)' "$cover") || fail "the moved Python module does not work"
[[ $python == "$command" ]] || fail "the moved Python module says $python, the command $command"
echo "installed, moved, the demo drew ${#pictures[@]} pictures, and python3 analysed the cover from there"
