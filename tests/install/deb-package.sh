#!/usr/bin/env bash
# The Debian packages: their layout and dependencies, lintian (no errors), the desktop files
# through their validators, and every package at work from their contents unpacked with
# dpkg-deb -x into one temporary root: the command draws the demo; a C program built with
# pkg-config against the -dev package and the library gets what the command prints; Debian's
# python3 imports the module and gets the same.
# Usage: deb-package.sh velloway_*.deb libvelloway-colorart1_*.deb libvelloway-colorart-dev_*.deb
#                       python3-velloway_*.deb   (in any order)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd -P)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
lib=usr/lib/$triplet

declare -A deb=()
for file in "$@"; do
  name=$(basename "$file")
  [[ $name =~ ^([a-z0-9.+-]+)_[0-9][^_]*_[a-z0-9]+\.deb$ ]] || fail "named $name"
  [[ $(dpkg-deb -f "$file" Package) == "${BASH_REMATCH[1]}" ]] || fail "$name holds another package"
  deb[${BASH_REMATCH[1]}]=$(realpath "$file")
done
version=$(dpkg-deb -f "${deb[velloway]:?no velloway package}" Version)
for package in libvelloway-colorart1 libvelloway-colorart-dev python3-velloway; do
  [[ -n ${deb[$package]:-} ]] || fail "no $package package"
  [[ $(dpkg-deb -f "${deb[$package]}" Version) == "$version" ]] || fail "$package is not at version $version"
done

# Each package holds its own files, and its copyright.
expect_files() {
  local package=$1
  shift
  dpkg-deb -c "${deb[$package]}" | awk '{print $6}' >"$work/$package.contents"
  for path in "$@" "./usr/share/doc/$package/copyright"; do
    grep -qxF "$path" "$work/$package.contents" || fail "$package lacks $path"
  done
}
expect_files velloway ./usr/bin/velloway "./$lib/velloway/libvelloway-commands.so" "./$lib/velloway/Velloway.so" \
  "./$lib/velloway/VLW.bundle/VLW.so" ./usr/share/velloway/fonts/fonts.conf ./usr/share/man/man1/velloway-sim.1.gz \
  ./usr/share/bash-completion/completions/velloway ./usr/share/applications/org.velloway.Velloway.desktop \
  ./usr/share/metainfo/org.velloway.Velloway.metainfo.xml
expect_files libvelloway-colorart1 "./$lib/libvelloway-colorart.so.1"
expect_files libvelloway-colorart-dev ./usr/include/velloway-colorart.h ./usr/include/velloway-colorart.hpp \
  "./$lib/libvelloway-colorart.so" "./$lib/pkgconfig/velloway-colorart.pc" "./$lib/cmake/VellowayColorart/VellowayColorartConfig.cmake"
expect_files python3-velloway ./usr/lib/python3/dist-packages/velloway/__init__.py ./usr/lib/python3/dist-packages/velloway/dask.py
grep -q '^\./usr/lib/python3/dist-packages/velloway/_colorart\..*\.so$' "$work/python3-velloway.contents" || fail "python3-velloway lacks its extension"
# No file in two packages (they could not be installed together).
sort "$work"/*.contents | grep -v '/$' | uniq -d >"$work/twice"
[[ ! -s $work/twice ]] || fail "files in two packages: $(cat "$work/twice")"
# Only the library package holds the library itself; the command does not need it.
if grep -q 'libvelloway-colorart\.so' "$work/velloway.contents"; then fail "the velloway package holds the colour library"; fi

depends() { dpkg-deb -f "${deb[$1]}" Depends; }
for needed in libc6 libcairo2 libsdbus-c++1 dbus-daemon fonts-urw-base35 dpkg; do
  [[ $(depends velloway) == *"$needed"* ]] || fail "velloway's Depends lack $needed: $(depends velloway)"
done
[[ $(depends libvelloway-colorart1) == *libcairo2* ]] || fail "the library's Depends lack libcairo2: $(depends libvelloway-colorart1)"
for package in libvelloway-colorart-dev python3-velloway; do
  [[ $(depends $package) == *"libvelloway-colorart1 (= $version)"* ]] || fail "$package does not depend on the library's own version"
done
[[ $(depends python3-velloway) == *"python3 (>= "* ]] || fail "python3-velloway does not depend on python3"
# The library tells dpkg-shlibdeps who provides it, and dpkg refreshes the linker's cache.
dpkg-deb -e "${deb[libvelloway-colorart1]}" "$work/control"
grep -qx "libvelloway-colorart 1 libvelloway-colorart1 (>= $version)" "$work/control/shlibs" || fail "shlibs: $(cat "$work/control/shlibs")"
grep -qx "activate-noawait ldconfig" "$work/control/triggers" || fail "no ldconfig trigger"

lintian --fail-on error "${deb[@]}" | tee "$work/lintian" || fail "lintian reports errors"

for package in "${!deb[@]}"; do dpkg-deb -x "${deb[$package]}" "$work/root"; done
root=$work/root
desktop-file-validate "$root/usr/share/applications/org.velloway.Velloway.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.velloway.Velloway.metainfo.xml" || fail "appstreamcli validate"
"$root/usr/bin/velloway" --version
"$root/usr/bin/velloway" demo --out "$work/demo" >"$work/demo.log" 2>&1 || { tail -20 "$work/demo.log"; fail "the demo failed"; }
if grep -i "not found\|cannot load" "$work/demo.log"; then fail "the unpacked command missed one of its files"; fi
pictures=$(find "$work/demo" -maxdepth 1 -name '[0-9]*.png' | wc -l)
[[ $pictures -ge 5 ]] || fail "the demo drew $pictures pictures"

# The colour analysis three ways from the unpacked root: the command, a C program built with
# pkg-config alone (the .pc file finds its prefix from where it lies), the Python module.
cover=$here/../scenarios/data/cover.jpg
expected=$("$root/usr/bin/velloway" colorart --json "$cover" | python3 -c \
  'import json, sys; o = json.load(sys.stdin); print(" ".join(o[r]["hex"] for r in ("background", "primary", "secondary", "detail")))')
export PKG_CONFIG_PATH=$root/$lib/pkgconfig
# shellcheck disable=SC2046 # pkg-config's words are meant to be split
cc -std=c11 -Wall -Werror -o "$work/probe" "$here/../colorlib/colorart-probe.c" $(pkg-config --cflags --libs velloway-colorart) ||
  fail "a C program does not build against the -dev package"
from_c=$(LD_LIBRARY_PATH=$root/$lib "$work/probe" file "$cover" | awk 'NR <= 4 {printf "%s%s", (NR > 1 ? " " : ""), $2}')
[[ $from_c == "$expected" ]] || fail "the C library gives '$from_c', the command '$expected'"
from_python=$(PYTHONPATH=$root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
  'import sys, velloway; a = velloway.colorart(sys.argv[1]); print(a.background.hex, a.primary.hex, a.secondary.hex, a.detail.hex)' "$cover")
[[ $from_python == "$expected" ]] || fail "the Python module gives '$from_python', the command '$expected'"
echo "4 packages laid out, lintian without errors, demo from the unpacked root drew $pictures pictures," \
  "the command, a C program and python3 agree on the cover: $expected"
