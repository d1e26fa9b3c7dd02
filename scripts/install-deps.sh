#!/usr/bin/env bash
# Installs the Debian packages sideways needs (Debian 12 and 13), only those that are missing.
# The one place that says which packages the project uses.
#   scripts/install-deps.sh                 what building and running the demo needs
#   scripts/install-deps.sh --tests         also what the tests, benchmarks and capture need
#   scripts/install-deps.sh --package       also what making and checking the Debian packages needs
#   scripts/install-deps.sh --arm64         also the arm64 cross compiler, its libraries (Debian's
#                                           multiarch) and qemu to run what it builds
#   scripts/install-deps.sh --list [...]    prints those packages, one a line, installs nothing
set -euo pipefail
source "$(dirname "$0")/lib/script.bash"
source "$(dirname "$0")/lib/debian.bash"

# The demo: the compiler and CMake, SDL and Xlib (which watches the window), OpenGL (Mesa's
# drivers), libopenmpt, Highway (the pixel loops' vector forms), stb's PNG reader for the asset converter, zlib for the PNGs the capture and the painters write, and
# X's core fonts, which SDL's X11 message box ("Init FAIL") draws with.
DemoPackages=(build-essential cmake pkg-config libgl1-mesa-dri xfonts-base)
# The libraries the demo is built against, for this machine's architecture or another's.
LibraryPackages=(libsdl2-dev libx11-dev libgl-dev libopenmpt-dev libstb-dev zlib1g-dev libhwy-dev)
# The tests and benchmarks, the end-to-end tests' X server and tools, the capture's encoder, the
# players and libraries the soundtrack is checked with, and mkfs.ext4 for the disk the capture
# fills (Debian 13 no longer installs it everywhere).
TestPackages=(
  libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick
  ffmpeg sox openmpt123 xmp libxmp-dev
  e2fsprogs
)
# Debian's packaging tools and the checks of what they make: the unit tests' libraries (the
# package build runs them), lintian, the desktop entry's and AppStream's validators, debootstrap
# for the clean roots the packages are installed into, and zip for the release files.
PackagePackages=(debhelper dpkg-dev fakeroot libgtest-dev libxmp-dev lintian desktop-file-utils appstream
                 debootstrap zip unzip)
# The arm64 cross build: the cross compiler and, beside the amd64 ones, the arm64 libraries
# (Multi-Arch: same), and qemu, which runs the build's tools and the tests.
# libxmp for the soundtrack's checks, which the arm64 tests run too.
CrossPackages=(crossbuild-essential-arm64 qemu-user-static "${LibraryPackages[@]/%/:arm64}" libxmp-dev:arm64)

ParseFlags "scripts/install-deps.sh [--list] [--tests] [--package] [--arm64]" \
  --list=list --tests=tests --package=package --arm64=arm64 -- "$@"
packages=("${DemoPackages[@]}" "${LibraryPackages[@]}")
$tests && packages+=("${TestPackages[@]}")
$package && packages+=("${PackagePackages[@]}")
$arm64 && packages+=("${CrossPackages[@]}")
if $list; then
  printf '%s\n' "${packages[@]}"
else
  # The arm64 packages install beside the amd64 ones once dpkg knows the architecture.
  if $arm64 && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    AsRoot dpkg --add-architecture arm64
  fi
  InstallPackages "${packages[@]}"
fi
