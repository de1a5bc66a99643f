#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need. Idempotent: it asks
# apt only for what is missing. Run as root (or with sudo available).
# With --fuzz, also what the fuzz build needs (clang, libFuzzer and clang's sanitizer runtime);
# `make test` never does. With --fresh-check, what `make fresh-check` needs (mmdebstrap).
#
# Packages are installed without their recommendations, as on a lean machine, so every package
# the project uses is named here, including those that other packages only recommend (clang's
# sanitizer runtime, python3-gi beside python3-dbus, xauth beside xvfb).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make
  libobjc-12-dev libplist-dev libcairo2-dev libpango1.0-dev libgmime-3.0-dev
  libjpeg62-turbo-dev libpng-dev nlohmann-json3-dev libcli11-dev libfmt-dev
  libsdbus-c++-dev dbus-daemon mpv mpv-mpris ffmpeg
  libavcodec-dev libavformat-dev libavfilter-dev libswscale-dev libavutil-dev
  libgtkmm-4.0-dev libx11-dev xvfb xauth xdotool imagemagick
  libgtest-dev libgmock-dev libbenchmark-dev clang-format
  fontconfig fonts-urw-base35 fonts-roboto-unhinted
  python3 python3-dbus python3-gi
  python3-dev pybind11-dev python3-numpy python3-distributed python3-pandas python3-pil
  lintian desktop-file-utils appstream
)
case "${1:-}" in
  "") ;;
  --fuzz) packages=(clang-16 libfuzzer-16-dev libclang-rt-16-dev) ;;
  --fresh-check) packages=(mmdebstrap) ;;
  *) echo "setup.sh: unknown option '$1' (none, --fuzz or --fresh-check)" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
