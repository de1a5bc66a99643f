#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass Debian's validators, and the entry starts a
# subcommand that exists with the option it passes.
# Usage: desktop-files.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
entry=$source/packaging/desktop/org.velloway.Velloway.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$build/share/metainfo/org.velloway.Velloway.metainfo.xml" || fail "appstreamcli validate"
read -r command sub option < <(sed -n 's/^Exec=//p' "$entry")
[[ $command == velloway ]] || fail "the entry starts '$command'"
"$build/bin/velloway" "$sub" --help | grep -q -- "^  $option " || fail "velloway $sub has no option $option"
grep -q "^Icon=org.velloway.Velloway$" "$entry" || fail "the entry names another icon"
echo "desktop entry and metainfo valid"
