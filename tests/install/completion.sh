#!/usr/bin/env bash
# The generated bash completion, through bash's own machinery (complete -F, COMP_WORDS and
# COMP_CWORD, compgen) in a non-interactive shell: what a Tab after each line offers.
# Usage: completion.sh SCRIPT
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || { echo "FAIL: cannot source $1" >&2; exit 1; }
failures=0

# What Tab offers after LINE (a trailing space starts a new word), sorted, on one line.
offered() {
  local line=$1
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  local function
  function=$(complete -p velloway | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
  COMPREPLY=()
  "$function" velloway "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ' 
}

expect() {  # LINE EXPECTED
  local got
  got=$(offered "$1")
  if [[ $got != "$2" ]]; then
    echo "FAIL: 'velloway${1#velloway}<TAB>' offered '$got', expected '$2'" >&2
    failures=$((failures + 1))
  fi
}
expect_has() {  # LINE WORD: WORD is among the offers (or, with !WORD, is not)
  local got
  got=" $(offered "$1") "
  if [[ $2 == !* ]]; then
    [[ $got != *" ${2#!} "* ]] && return
  else
    [[ $got == *" $2 "* ]] && return
  fi
  echo "FAIL: 'velloway${1#velloway}<TAB>': '$2' among '$got'" >&2
  failures=$((failures + 1))
}

expect "velloway c" "colorart ctl"
expect "velloway ctl s" "settings springboard"
expect "velloway ctl --root /tmp/device s" "settings springboard"
expect "velloway ctl --list s" "settings springboard"
expect "velloway ctl springboard ac" "activate"
expect "velloway ctl springboard 'ac" "'activate"
expect "velloway ctl springboard activate du" "dump"
expect "velloway sim --reachability-supported " "no yes"
expect "velloway colorart --js" "--json"
expect "velloway --he" "--help --help-all"
expect_has "velloway " "sim"
expect_has "velloway " "!completion"
expect_has "velloway " "!manual"
expect_has "velloway ctl settings " "settings"
expect_has "velloway ctl springboard " "media"
# Lines a live process refuses (the home screen loads and launches itself) are not offered.
expect_has "velloway ctl springboard " "!load"
expect_has "velloway ctl springboard " "!advance"
expect_has "velloway ctl settings " "!activate"
expect_has "velloway phone --" "--gui"
[[ $failures -eq 0 ]] || exit 1
echo "every completion as expected"
