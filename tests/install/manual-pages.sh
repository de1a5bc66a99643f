#!/usr/bin/env bash
# Every subcommand that `velloway --help` lists has a manual page, every option that its --help
# shows appears in its page, groff reads each page without a warning, and the build's own
# subcommands (manual, completion) are neither listed nor given a page.
# Usage: manual-pages.sh BUILD_DIR
set -euo pipefail
build=$1
velloway=$build/bin/velloway
pages=$build/share/man/man1
fail() { echo "FAIL: $*" >&2; exit 1; }

# The options of a help text: the first words of its option lines, each name of "-j,--jobs".
options_of() { sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' | grep '^-'; }
subcommands=$("$velloway" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[[ $(wc -w <<<"$subcommands") -ge 7 ]] || fail "velloway --help lists only: $subcommands"
for hidden in manual completion; do
  grep -qx "$hidden" <<<"$subcommands" && fail "the build's subcommand '$hidden' is listed in --help"
  [[ ! -e $pages/velloway-$hidden.1.gz ]] || fail "the build's subcommand '$hidden' has a manual page"
done

check_page() {  # PAGE HELP-COMMAND...
  local page=$pages/$1.1.gz
  shift
  [[ -f $page ]] || fail "no manual page $(basename "$page")"
  local text warnings
  text=$(zcat "$page")
  for option in $("$@" --help | options_of); do
    grep -qF -- "${option//-/\\-}" <<<"$text" || fail "$(basename "$page") lacks the option $option of '$* --help'"
  done
  # Every warning but a line too long to justify (a long path name).
  warnings=$(groff -man -ww -Wbreak -z -Tutf8 <<<"$text" 2>&1)
  [[ -z $warnings ]] || fail "groff on $(basename "$page"): $warnings"
}
check_page velloway "$velloway"
for sub in $subcommands; do
  check_page "velloway-$sub" "$velloway" "$sub"
  zcat "$pages/velloway.1.gz" | grep -qF "velloway\\-$sub" || fail "velloway(1) does not name velloway-$sub(1)"
done
# The hand-written sections are merged in.
zcat "$pages/velloway-sim.1.gz" | grep -q '^\.SH "COMMAND LANGUAGE"' || fail "velloway-sim(1) has no COMMAND LANGUAGE section"
zcat "$pages/velloway-ctl.1.gz" | grep -q '^\.SH "EXIT STATUS"' || fail "velloway-ctl(1) has no EXIT STATUS section"
echo "pages for velloway and $(wc -w <<<"$subcommands") subcommands, every option in each"
