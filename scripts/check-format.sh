#!/bin/sh
# Fails when a C or C++ file under version control differs from what clang-format makes of it
# (.clang-format at the top). `scripts/check-format.sh --fix` rewrites the files instead.
set -eu
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "check-format: clang-format is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
files=$(git ls-files '*.c' '*.cpp' '*.hpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  echo "$files" | xargs "$format" -i
  exit 0
fi
echo "$files" | xargs "$format" --dry-run --Werror
