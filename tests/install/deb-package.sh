#!/usr/bin/env bash
# The Debian package: its layout and dependencies, lintian (no errors), the desktop files of its
# contents through their validators, and the command run from its contents unpacked with
# dpkg-deb -x into a temporary root: the demo draws its pictures from there.
# Usage: deb-package.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)

[[ $(basename "$deb") =~ ^velloway_[0-9][^_]*_[a-z0-9]+\.deb$ ]] || fail "named $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/velloway "./usr/lib/$triplet/velloway/libvelloway-commands.so" "./usr/lib/$triplet/velloway/Velloway.so" \
  "./usr/lib/$triplet/velloway/VLW.bundle/VLW.so" ./usr/share/velloway/fonts/fonts.conf ./usr/share/man/man1/velloway-sim.1.gz \
  ./usr/share/doc/velloway/copyright ./usr/share/bash-completion/completions/velloway \
  ./usr/share/applications/org.velloway.Velloway.desktop ./usr/share/metainfo/org.velloway.Velloway.metainfo.xml; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libcairo2 libsdbus-c++1 dbus-daemon fonts-urw-base35 dpkg; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

lintian --fail-on error "$deb" | tee "$work/lintian" || fail "lintian reports errors"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.velloway.Velloway.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.velloway.Velloway.metainfo.xml" || fail "appstreamcli validate"
"$work/root/usr/bin/velloway" --version
"$work/root/usr/bin/velloway" demo --out "$work/demo" >"$work/demo.log" 2>&1 || { tail -20 "$work/demo.log"; fail "the demo failed"; }
if grep -i "not found\|cannot load" "$work/demo.log"; then fail "the unpacked command missed one of its files"; fi
pictures=$(find "$work/demo" -maxdepth 1 -name '[0-9]*.png' | wc -l)
[[ $pictures -ge 5 ]] || fail "the demo drew $pictures pictures"
echo "package laid out, lintian without errors, demo from the unpacked root drew $pictures pictures"
