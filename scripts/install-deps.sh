#!/usr/bin/env bash
# Installs the Debian packages marl needs to build, test and benchmark.
# Idempotent: only packages that are missing are installed.
# With --fuzz, also clang and its fuzzing runtime (for scripts/fuzz.sh).
# With --generate, also what remakes generated files: Debian's matplotlib
# (scripts/extract-palettes.py) and ImageMagick (scripts/palette-sheet.sh).
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libboost-dev
  libcairo2-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libtiff-dev libgif-dev
  libspng-dev libwebp-dev zlib1g-dev
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  libhwy-dev
  nlohmann-json3-dev
  libgtest-dev libbenchmark-dev
  faketime parallel
  python3-tifffile
  mandoc groff-base
  chromium chromium-driver python3-selenium
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--generate" ]; then
  packages+=(python3-matplotlib imagemagick fonts-dejavu-core)
fi

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
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
