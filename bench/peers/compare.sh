#!/bin/sh
# Peer comparison: installs the pinned npm peers, runs velloway-bench and the peers on the same
# images in one run, and prints medians and ratios. Needs node/npm, Google Benchmark and the
# mate-backgrounds photos (see ../README.md).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${VELLOWAY_BUILD_DIR:-$root/build/default}

(cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
if [ -z "${VELLOWAY_BUILD_DIR:-}" ]; then
  (cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target velloway-bench >/dev/null)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/velloway-bench" --write-images "$work"
"$build/bin/velloway-bench" --benchmark_repetitions="${BENCH_REPETITIONS:-10}" --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/ours.json"
node "$here/peers.mjs" "$work" "$work/ours.json"
