#!/usr/bin/env bash
# Runs a build's whole test suite again and again under stress, to find the tests that fail only
# sometimes: every test up to RUNS times in a random order (ctest --repeat until-fail), with more
# parallel jobs than cores and a CPU hog beside it (one busy process per core, ended by pid).
#
#   scripts/stress-tests.sh [PRESET] [RUNS] [ctest arguments...]
#
# PRESET is default (the default) or asan; RUNS defaults to 20. Prints ctest's summary and the
# time taken; the exit status is ctest's. Build the preset first (make build, make build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
runs="${2:-20}"
shift $(($# < 2 ? $# : 2))
cores=$(nproc 2>/dev/null || echo 2)
jobs=$((cores + 2))

hogs=()
end_hogs() { for pid in "${hogs[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap end_hogs EXIT
for _ in $(seq "$cores"); do
  (while :; do :; done) &
  hogs+=($!)
done

env_vars=()
if [ "$preset" = "asan" ]; then
  env_vars=(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
            "LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
fi
echo "stress: preset $preset, each test up to $runs times, random order, -j $jobs, $cores busy loops beside"
start=$(date +%s)
set +e
env "${env_vars[@]}" ctest --preset "$preset" --repeat "until-fail:$runs" --schedule-random -j "$jobs" "$@"
status=$?
set -e
echo "stress: exit $status after $(($(date +%s) - start)) s"
exit $status
