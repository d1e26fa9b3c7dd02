#!/usr/bin/env bash
# Installs the Debian packages sideways needs (Debian 12 and 13), only those that are missing.
# The one place that says which packages the project uses.
#   scripts/install-deps.sh                 what building and running the demo needs
#   scripts/install-deps.sh --tests         also what the tests, benchmarks and capture need
#   scripts/install-deps.sh --list [--tests] prints those packages, one a line, installs nothing
set -euo pipefail
source "$(dirname "$0")/lib/debian.bash"

# The demo: the compiler and CMake, SDL and Xlib (which watches the window), OpenGL (Mesa's
# drivers), libopenmpt, stb's PNG code for the asset converter, zlib for the capture's PNGs, and
# X's core fonts, which SDL's X11 message box ("Init FAIL") draws with.
DemoPackages=(
  build-essential cmake pkg-config
  libsdl2-dev libx11-dev libgl-dev libgl1-mesa-dri libopenmpt-dev libstb-dev zlib1g-dev
  xfonts-base
)
# The tests and benchmarks, the end-to-end tests' X server and tools, the capture's encoder, and
# the players and libraries the soundtrack is checked with.
TestPackages=(
  libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick
  ffmpeg sox openmpt123 xmp libxmp-dev
)

list=false tests=false
for arg in "$@"; do
  case $arg in
    --list) list=true ;;
    --tests) tests=true ;;
    *) echo "usage: scripts/install-deps.sh [--list] [--tests]" >&2; exit 2 ;;
  esac
done
packages=("${DemoPackages[@]}")
$tests && packages+=("${TestPackages[@]}")
if $list; then
  printf '%s\n' "${packages[@]}"
else
  InstallPackages "${packages[@]}"
fi
