#!/usr/bin/env bash
# Installs the Debian 12 packages sideways needs, only those that are missing.
#   scripts/install-deps.sh          what building and running the demo needs
#   scripts/install-deps.sh --tests  also what the tests, benchmarks and capture need
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libgl1-mesa-dri libopenmpt-dev libstb-dev
)
if [[ "${1:-}" == "--tests" ]]; then
  packages+=(
    libgtest-dev libbenchmark-dev
    xvfb xdotool x11-utils imagemagick
    ffmpeg sox openmpt123 xmp libxmp-dev
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
