#!/usr/bin/env bash
# make fresh-check: the README's two commands on a machine that has nothing yet.
#
# Builds a throw-away Debian 12 root with mmdebstrap from this machine's own apt sources (the
# `apt` variant plus make, git and ca-certificates only: stricter than a fresh machine, so
# scripts/setup.sh must install everything else, compilers and CMake included), clones the
# committed main branch into it, and runs `make demo` and then `CI=true bash .ci/run` there (which
# runs `make test`). Prints each command's exit status and time; exits non-zero when either failed.
#
#   scripts/fresh-check.sh [--keep] [--root DIR] [--only demo|ci]
#
# --keep leaves the root in place afterwards (its path is printed); --root DIR builds it there
# (default: a new folder under /var/tmp); --only runs one of the two commands. Needs root.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
keep=0
root=""
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=1 ;;
    --root) root="$2"; shift ;;
    --only) only="$2"; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "fresh-check: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
  shift
done
if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check: needs root (mmdebstrap, chroot and mounts)" >&2
  exit 2
fi
"$repo/scripts/setup.sh" --fresh-check

[ -n "$root" ] || root="$(mktemp -d /var/tmp/velloway-fresh.XXXXXX)"
mounts=()
cleanup() {
  local m
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    m="${mounts[$i]}"
    umount -R "$m" 2>/dev/null || umount -lR "$m" 2>/dev/null || true
  done
  if [ "$keep" -eq 0 ]; then
    # Only when nothing is mounted below it any more: never remove through a live mount.
    if ! grep -q " $root/" /proc/self/mountinfo; then rm -rf --one-file-system "$root"; fi
  else
    echo "fresh-check: the root is kept at $root"
  fi
}
trap cleanup EXIT
# A signal ends the run through the EXIT trap: bash skips that trap when a signal kills it outright.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# This machine's own sources and its apt options (a frozen mirror needs Check-Valid-Until off).
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
  [ -s "$f" ] && sources+=("$f")
done
aptopts=()
for f in /etc/apt/apt.conf.d/99*; do [ -f "$f" ] && aptopts+=("--aptopt=$f"); done

started=$(date +%s)
echo "== mmdebstrap bookworm (apt variant + make git ca-certificates) into $root"
mmdebstrap --variant=apt --include=make,git,ca-certificates "${aptopts[@]}" \
  --skip=cleanup/apt/lists bookworm "$root" "${sources[@]}"
echo "== root made in $(($(date +%s) - started)) s"

mount -t proc proc "$root/proc" && mounts+=("$root/proc")
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" && mounts+=("$root/dev")
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp" && mounts+=("$root/tmp")
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

git clone -q --branch main "$repo" "$root/root/velloway"
echo "== cloned main at $(git -C "$root/root/velloway" rev-parse --short HEAD)"

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb CI=true bash -c "cd /root/velloway && $1"
}

logs="$repo/build/fresh-check"
mkdir -p "$logs"
declare -A status seconds
run_step() {
  local name="$1" command="$2" t0
  t0=$(date +%s)
  echo "== $name: $command"
  set +e
  in_root "$command" 2>&1 | tee "$logs/$name.log" | sed -u "s/^/[$name] /"
  status[$name]=${PIPESTATUS[0]}
  set -e
  seconds[$name]=$(($(date +%s) - t0))
}

[ "$only" = "ci" ] || run_step demo "make demo"
[ "$only" = "demo" ] || run_step ci "bash .ci/run"

echo
echo "fresh-check summary (logs in $logs, root $root, $(($(date +%s) - started)) s in all):"
failed=0
for name in demo ci; do
  [ -n "${status[$name]+x}" ] || continue
  printf '  %-5s exit %s in %s s (%d min %d s)\n' "$name" "${status[$name]}" "${seconds[$name]}" \
    $((seconds[$name] / 60)) $((seconds[$name] % 60))
  [ "${status[$name]}" -eq 0 ] || failed=1
done
exit $failed
